#!/usr/bin/env python3
"""The layers, checked on the includes: a file of a folder includes only its own folder's headers
and those of the layers below it (the same order as the top-level CMakeLists.txt), and only the
qt/ folders include Qt. A wrong-way include fails with the file, the line and the layer."""
import os
import re
import sys

SOURCE = sys.argv[1]
BELOW = {
    "runtime": [],
    "platform": ["runtime"],
    "spreadsheet": ["runtime"],
    "datafiles": ["platform"],
    "extract": ["datafiles", "spreadsheet"],
    "ui": ["extract"],
    "product": ["extract"],
    "app": ["product", "ui"],
    "gridmend": ["ui"],
    "cli": ["app", "gridmend"],
}
# The Qt halves: each may use its own layer, what lies below it, and the Qt controls.
QT_ALSO = {
    "platform/qt": ["ui"],
    "app/qt": ["platform/qt", "product/qt"],
    "product/qt": ["platform/qt"],
    "gridmend/qt": ["platform/qt", "product", "ui"],
}


def reachable(layer):
    seen, todo = set(), [layer]
    while todo:
        for lower in BELOW[todo.pop()]:
            if lower not in seen:
                seen.add(lower)
                todo.append(lower)
    return seen | {layer}


problems = []
include = re.compile(r'^\s*#\s*include\s+["<]([^">]+)[">]')
for layer in BELOW:
    for sub in ("", "/qt"):
        folder = layer + sub
        path = os.path.join(SOURCE, folder)
        if not os.path.isdir(path):
            continue
        allowed = set(reachable(layer)) | {folder}
        for extra in QT_ALSO.get(folder, []):
            allowed |= reachable(extra.split("/")[0]) | {extra}
        for name in sorted(os.listdir(path)):
            if not name.endswith((".h", ".cpp")):
                continue
            with open(os.path.join(path, name), encoding="utf-8") as f:
                for number, line in enumerate(f, 1):
                    m = include.match(line)
                    if not m:
                        continue
                    target = m.group(1)
                    if target.startswith("Q") and "/" not in target:
                        if not sub:
                            problems.append("%s/%s:%d: Qt outside a qt/ folder: %s"
                                            % (folder, name, number, target))
                        continue
                    top = target.split("/")[0]
                    if top not in BELOW:
                        continue  # the standard library, a system library, a generated header
                    where = top + "/qt" if target.startswith(top + "/qt/") else top
                    if where not in allowed:
                        problems.append("%s/%s:%d: %s is not below %s"
                                        % (folder, name, number, target, folder))
for p in problems:
    print(p)
sys.exit(1 if problems else 0)
