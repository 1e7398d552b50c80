#!/bin/sh
# Runs one libFuzzer target (or all of them) for longer than the test command
# does. Usage:
#   scripts/fuzz.sh TARGET [seconds]     e.g. scripts/fuzz.sh fuzz_flare_render 3600
#   scripts/fuzz.sh all [seconds]        every target in turn (default 300 s each)
#   scripts/fuzz.sh list                 the targets
# Targets: fuzz_settings_file, fuzz_flare_render, fuzz_glow_render,
# fuzz_image_decode, fuzz_pipl, fuzz_pe_reader. Each starts from its seeds in
# tests/fuzz/corpus/<target>/ and keeps what it finds in
# build/fuzz/fuzz-corpus/<target>/; a crashing input is written to
# build/fuzz/fuzz-artifacts/<target>/ and the script exits non-zero. Copy an
# input worth keeping into the seed folder to have every later run start from it.
set -eu
cd "$(dirname "$0")/.."
targets="fuzz_settings_file fuzz_flare_render fuzz_glow_render fuzz_image_decode fuzz_pipl fuzz_pe_reader"
target="${1:-}"
seconds="${2:-300}"
case "$target" in
  list) echo "$targets" | tr ' ' '\n'; exit 0 ;;
  all) run="$targets" ;;
  "") echo "usage: scripts/fuzz.sh TARGET|all|list [seconds]" >&2; exit 2 ;;
  *) echo " $targets " | grep -q " $target " || { echo "unknown target '$target' (scripts/fuzz.sh list)" >&2; exit 2; }
     run="$target" ;;
esac

scripts/setup.sh
cmake --preset fuzz >/dev/null
cmake --build --preset fuzz -j "${KELVO_JOBS:-2}"

for t in $run; do
  echo "== $t for $seconds s"
  mkdir -p "build/fuzz/fuzz-corpus/$t" "build/fuzz/fuzz-artifacts/$t"
  "build/fuzz/tests/fuzz/$t" -max_total_time="$seconds" -timeout=10 -rss_limit_mb=2048 -print_final_stats=1 \
    -artifact_prefix="build/fuzz/fuzz-artifacts/$t/" "build/fuzz/fuzz-corpus/$t" "tests/fuzz/corpus/$t"
done
