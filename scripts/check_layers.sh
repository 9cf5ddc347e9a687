#!/usr/bin/env bash
# Fails on any #include "..." in src/ that reaches a layer its folder may not use
# (docs/architecture.md draws the order). Prints file:line and the include.
set -euo pipefail
cd "$(dirname "$0")/.."
exec python3 - <<'EOF'
# Layer -> the layers it may include, besides its own folder.
ALLOWED = {
    "model":     [],
    "midi":      [],
    "files":     ["model"],
    "surface":   ["model", "midi"],
    "snapshots": ["model", "midi", "files", "surface"],
    "morph":     ["model", "midi", "files", "surface"],
    "keyboard":  ["model", "midi", "files", "surface"],
    "remote":    ["model", "midi", "files", "surface"],
    "shell":     ["model", "midi", "files", "surface"],
    "web":       ["model", "midi", "files", "surface"],
    "osc":       ["model", "midi", "files", "surface"],
    "bridge":    ["model", "midi", "files", "surface", "snapshots", "morph", "keyboard",
                  "remote", "shell", "web", "osc"],
    "app":       None,  # None: everything
}
# X/ui may include X, what X may include, and the ui folders of all those.

import os
import re
import sys

INCLUDE = re.compile(r'^\s*#\s*include\s*"([^"]+)"')


def folder_of(path):
    """'surface/ui/main_window.h' -> 'surface/ui'; 'model/controller.h' -> 'model'."""
    parts = path.split("/")
    if len(parts) >= 3 and parts[1] == "ui":
        return parts[0] + "/ui"
    return parts[0]


def may_include(src, dst):
    if src == dst:
        return True
    layer, is_ui = src.split("/")[0], src.endswith("/ui")
    allowed = ALLOWED[layer]
    if allowed is None:
        return True
    below = set(allowed)
    if is_ui:
        below |= {layer} | {l + "/ui" for l in allowed + [layer]}
    return dst in below


failures = 0
for root, dirs, names in os.walk("src"):
    dirs.sort()
    for name in sorted(names):
        if not name.endswith((".h", ".hpp", ".cpp", ".cc")):
            continue
        file = os.path.join(root, name)
        rel = os.path.relpath(file, "src")
        src = folder_of(rel)
        if src.split("/")[0] not in ALLOWED:
            print(f"{file}: folder '{src}' is not in the layer map of scripts/check_layers.sh")
            failures += 1
            continue
        with open(file, encoding="utf-8", errors="replace") as f:
            for lineno, line in enumerate(f, 1):
                m = INCLUDE.match(line)
                if not m:
                    continue
                inc = m.group(1)
                # Project headers are named from src/; a name beside the file is its own folder.
                beside = os.path.normpath(os.path.join(root, inc))
                if inc.split("/")[0] in ALLOWED:
                    dst = folder_of(inc)
                elif os.path.exists(beside):
                    dst = folder_of(os.path.relpath(beside, "src"))
                else:
                    continue  # not a project header (generated or third-party)
                if not may_include(src, dst):
                    print(f"{file}:{lineno}: {src} may not include \"{inc}\"")
                    failures += 1

if failures:
    print(f"check_layers: {failures} include(s) against the layer order")
    sys.exit(1)
print("check_layers: ok")
EOF
