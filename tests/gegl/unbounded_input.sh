#!/bin/sh
# An input without bounds (gegl:checkerboard) linked straight into each
# operation: reading a 16 x 16 area finishes within a bounded time and memory,
# gives the checkerboard unchanged and says why.
# Usage: unbounded_input.sh <folder holding gegl-0.4/plug-ins> <work folder>
set -eu
export XDG_DATA_HOME="$1"
work="$2"
samples="python3 $(cd "$(dirname "$0")" && pwd)/png_samples.py"
rm -rf "$work" && mkdir -p "$work"
area="gegl:crop x=5 y=-7 width=16 height=16"
# shellcheck disable=SC2086
gegl -- gegl:checkerboard $area png-save path="$work/plain.png"
failed=0
for op in kelvo:glow kelvo:lens-flare; do
  name="${op#kelvo:}"
  # shellcheck disable=SC2086
  if ! (ulimit -v 1500000 && timeout 30 gegl -- gegl:checkerboard "$op" $area png-save path="$work/$name.png") \
      > "$work/$name.log" 2>&1; then
    echo "FAILED: $op did not finish within 30 s and 1.5 GB"; failed=1; continue
  fi
  [ "$($samples hash "$work/$name.png")" = "$($samples hash "$work/plain.png")" ] ||
    { echo "FAILED: $op changed an input without bounds"; failed=1; }
  grep -q "no bounds" "$work/$name.log" || { echo "FAILED: $op gave no warning"; failed=1; }
done
[ "$failed" = 0 ] && echo "inputs without bounds pass through"
