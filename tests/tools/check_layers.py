#!/usr/bin/env python3
"""Fails when a source file includes a header of a higher layer, or when
files include each other in a circle.

Layers, top to bottom: process entries and windows, jobs, the workers
(acquisition, login, and the viewer's model above the exports, the exports
above the NG rules, the rules above the comment files), settings, support,
the info log. A folder may include its own layer and the ones below it.

The process-wide settings record, App(), is read by the process entries, the
windows and the jobs only: the layers below them are handed what they need
(the settings folder, where the record lives, aside).

Circles are looked for among modules: a header and the source file of the
same name are one (fetch_job.h, fetch_job.cpp), so that two sources that
include each other's header form a circle as two headers would.
"""
import collections
import pathlib
import re
import sys

RANK = {
    "app": 6, "resources": 5, "window": 5,
    "jobs": 4,
    "acquisition": 3.6, "login": 3.6, "viewer": 3.6,
    "export": 3.4,
    "ng": 3.2,
    "comments": 3,
    "settings": 2,
    "support": 1,
    "infolog": 0,
}

src = pathlib.Path(sys.argv[1] if len(sys.argv) > 1 else pathlib.Path(__file__).parents[2] / "src")
include = re.compile(r'^\s*#\s*include\s+"([^/"]+)/')
project_include = re.compile(r'^\s*#\s*include\s+"([^"]+)"')
string_literal = re.compile(r'"(?:[^"\\]|\\.)*"')
reads_app = re.compile(r'\bApp\(\)')
bad = []
uses = collections.defaultdict(set)  # module -> modules whose headers it includes
for path in sorted(src.rglob("*")):
    if path.suffix not in (".h", ".cpp", ".rc"):
        continue
    folder = path.relative_to(src).parts[0]
    if folder not in RANK:
        bad.append(f"{path}: folder '{folder}' has no layer")
        continue
    module = path.relative_to(src).with_suffix("").as_posix()
    for number, line in enumerate(path.read_text(encoding="utf-8").splitlines(), 1):
        m = include.match(line)
        if m and m.group(1) in RANK and RANK[m.group(1)] > RANK[folder]:
            bad.append(f"{path}:{number}: {folder} includes {m.group(1)}")
        m = project_include.match(line)
        if m and (src / m.group(1)).is_file():
            used = pathlib.PurePosixPath(m.group(1)).with_suffix("").as_posix()
            if used != module:
                uses[module].add(used)
        code = string_literal.sub('""', line).split("//", 1)[0]
        if RANK[folder] < RANK["jobs"] and folder != "settings" and reads_app.search(code):
            bad.append(f"{path}:{number}: {folder} reads App(); hand it the settings it needs")


def circles(graph):
    """The strongly connected groups of more than one module (Tarjan)."""
    index, low, stack, on_stack, found = {}, {}, [], set(), []

    def visit(node):
        index[node] = low[node] = len(index)
        stack.append(node)
        on_stack.add(node)
        for other in sorted(graph.get(node, ())):
            if other not in index:
                visit(other)
                low[node] = min(low[node], low[other])
            elif other in on_stack:
                low[node] = min(low[node], index[other])
        if low[node] == index[node]:
            group = []
            while True:
                other = stack.pop()
                on_stack.discard(other)
                group.append(other)
                if other == node:
                    break
            if len(group) > 1:
                found.append(sorted(group))

    sys.setrecursionlimit(10000)
    for node in sorted(graph):
        if node not in index:
            visit(node)
    return found


for group in circles(uses):
    bad.append("these include each other in a circle: " + ", ".join(group))
print("\n".join(bad) or "every include runs downward, none in a circle, and App() is read from the jobs up")
sys.exit(1 if bad else 0)
