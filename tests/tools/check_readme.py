#!/usr/bin/env python3
"""Checks the code page 932 readme.txt beside the programs against its UTF-8
source, and that the manual names every INI key and every menu item.

    check_readme.py BUILT_README SOURCE_README SETTINGS_CPP RESOURCE_RC
"""
import os
import re
import sys

built_path, source_path, settings_path, rc_path = sys.argv[1:5]
problems = []

built = open(built_path, "rb").read()
try:
    text = built.decode("cp932")  # strict: a byte sequence that is not code page 932 fails
except UnicodeDecodeError as error:
    sys.exit(f"{built_path} is not valid code page 932: {error}")
source = open(source_path, "rb").read().decode("utf-8")
if text != source:
    line = next(i for i, (a, b) in enumerate(zip(text.splitlines() + [""], source.splitlines() + [""])) if a != b)
    problems.append(f"{built_path} differs from {source_path} at line {line + 1}")
if re.search(rb"(?<!\r)\n", built):
    problems.append(f"{built_path} has line ends other than CR LF")

settings = open(settings_path, encoding="utf-8").read()
for section, key in sorted(set(re.findall(r'"(site|main|info|pastlog|ng|viewer|archive)", "(\w+)"', settings))):
    if not re.search(rf"\b{key}\b", source):
        problems.append(f"the INI key [{section}] {key} is not described")
if "[site]" not in source:
    problems.append("the [site] section is not described")

# The "subtitle" keys live in the option table beside the store.
subtitle_path = os.path.join(os.path.dirname(settings_path), "subtitle_settings.cpp")
if os.path.exists(subtitle_path):
    for key in re.findall(r'\{"(\w+)", "[\w-]+", O::', open(subtitle_path, encoding="utf-8").read()):
        if not re.search(rf"\b{key}\b", source):
            problems.append(f"the INI key [subtitle] {key} is not described")
    if "[subtitle]" not in source:
        problems.append("the [subtitle] section is not described")

rc = open(rc_path, encoding="utf-8").read()
for item in re.findall(r'^\s*(?:MENUITEM|POPUP)\s+"([^"]+)"', rc, re.M):
    if item.replace("&", "") not in source:
        problems.append(f"the menu item {item} is not described")

for problem in problems:
    print(problem)
sys.exit(1 if problems else 0)
