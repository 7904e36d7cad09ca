#!/usr/bin/env bash
# run.sh -- runs every fuzz target of a build over its seed corpus once, then mutates for a while, under the
# memory limits: a target that takes more than 512 MB, or asks for more than 64 MB at once, fails.
# Usage: fuzz/run.sh BUILD_DIR [SECONDS_PER_TARGET]     (0 seconds: the corpora only)
set -euo pipefail
build=$1
seconds=${2:-20}
here=$(cd "$(dirname "$0")" && pwd)
work=$(mktemp -d)
trap 'rm -rf "$work"' EXIT

# libvorbisfile leaks part of what it allocated when it fails to open a damaged file; that is not ours.
export ASAN_OPTIONS=detect_leaks=1
export LSAN_OPTIONS="suppressions=$here/../.ci/lsan-fuzz.supp"
limits=(-rss_limit_mb=512 -malloc_limit_mb=64 -timeout=25)
text_targets=" brush_blocks effect_script envelope_load image_block keyframer_load script_lines shader_script "

for program in "$build"/fuzz/fuzz_*; do
  name=${program##*/fuzz_}
  options=("${limits[@]}" -artifact_prefix="$work/$name-")
  if [[ $text_targets == *" $name "* ]]; then options+=(-dict="$here/dict/scripts.dict"); fi
  echo "== $name: $(ls "$here/corpus/$name" | wc -l) seeds"
  "$program" "${options[@]}" -runs=0 "$here/corpus/$name" 2>"$work/log" || { tail -50 "$work/log"; exit 1; }
  if [ "$seconds" -gt 0 ]; then
    mkdir -p "$work/$name"
    "$program" "${options[@]}" -max_total_time="$seconds" -print_final_stats=1 "$work/$name" "$here/corpus/$name" \
      2>"$work/log" || { tail -50 "$work/log"; exit 1; }
    grep -E 'stat::number_of_executed_units' "$work/log" || true
  fi
done
