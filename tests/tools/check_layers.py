#!/usr/bin/env python3
"""Fails when a source file includes a header of a higher layer.

Layers, top to bottom: process entries and windows, jobs, the workers
(acquisition, login, and the viewer's model above the exports, the exports
above the NG rules, the rules above the comment files), settings, support,
the info log. A folder may include its own layer and the ones below it.
"""
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
bad = []
for path in sorted(src.rglob("*")):
    if path.suffix not in (".h", ".cpp", ".rc"):
        continue
    folder = path.relative_to(src).parts[0]
    if folder not in RANK:
        bad.append(f"{path}: folder '{folder}' has no layer")
        continue
    for number, line in enumerate(path.read_text(encoding="utf-8").splitlines(), 1):
        m = include.match(line)
        if m and m.group(1) in RANK and RANK[m.group(1)] > RANK[folder]:
            bad.append(f"{path}:{number}: {folder} includes {m.group(1)}")
print("\n".join(bad) or "every include runs downward")
sys.exit(1 if bad else 0)
