#!/usr/bin/env python3
"""The lens-flare presets as GIMP 2.10 keeps saved settings of a GEGL operation.

GIMP 2.10 keeps the named settings of kelvo:lens-flare (the Presets list of
its dialog) in one file of its config folder,
filters/GimpGegl-kelvo-lens-flare-config.settings: a list of
(GimpGegl-kelvo-lens-flare-config "name" (time 0) (property value) ...)
entries, time 0 marking a named preset. This writes that file from
presets/*.lns: the values as kelvo-render reads them (--settings F --list,
the settings table's names and order), the names from docs/presets.md, and
scale-from-width 640, the width of the picture the presets were made on, so
that each look keeps its size relative to the layer.

Usage: scripts/make_gimp_presets.py <kelvo-render> <output .settings file>
"""
import os
import re
import subprocess
import sys

ROOT = os.path.dirname(os.path.dirname(os.path.abspath(__file__)))
CONFIG_TYPE = "GimpGegl-kelvo-lens-flare-config"
MADE_ON_WIDTH = 640  # samples/dusk.png, where the presets were made and pictured


def gegl_name(name):
    return re.sub("([A-Z])", lambda m: "-" + m.group(1).lower(), name)


def preset_titles():
    """(file, title) for each preset, in the order docs/presets.md shows them."""
    text = open(os.path.join(ROOT, "docs", "presets.md"), encoding="utf-8").read()
    return [(f, t) for t, f in re.findall(r"^## (.+)\n\n.*`presets/([\w-]+\.lns)`", text, re.M)]


def settings_of(render, path):
    listing = subprocess.run([render, "--settings", path, "--list"], check=True, capture_output=True,
                             text=True).stdout
    return [(gegl_name(m.group(1)), m.group(2)) for m in re.finditer(r"^  (\w+)\s+(-?[\d.e+-]+)\s+\S+\.\.", listing, re.M)]


def quoted(text):
    return '"' + text.replace("\\", "\\\\").replace('"', '\\"') + '"'


def main(render, output):
    presets = preset_titles()
    files = sorted(f for f in os.listdir(os.path.join(ROOT, "presets")) if f.endswith(".lns"))
    if sorted(f for f, _ in presets) != files:
        sys.exit("make_gimp_presets: docs/presets.md and presets/ name different presets")
    # The layout GIMP 2.10 writes itself (it rewrites the file when a filter
    # is applied, keeping these entries).
    lines = ["# settings", ""]
    for file, title in presets:
        values = settings_of(render, os.path.join(ROOT, "presets", file))
        if len(values) < 22:
            sys.exit(f"make_gimp_presets: kelvo-render listed {len(values)} settings of {file}")
        lines.append(f"({CONFIG_TYPE} {quoted(title)}")
        lines.append("    (time 0)")
        lines += [f"    ({name} {value})" for name, value in values]
        lines.append("    (scale 1)")
        lines.append(f"    (scale-from-width {MADE_ON_WIDTH}))")
    lines += ["", "# end of settings"]
    tmp = output + ".tmp"
    with open(tmp, "w", encoding="utf-8", newline="\n") as f:
        f.write("\n".join(lines) + "\n")
    os.replace(tmp, output)


if __name__ == "__main__":
    if len(sys.argv) != 3:
        sys.exit(__doc__.strip().splitlines()[-1])
    main(*sys.argv[1:])
