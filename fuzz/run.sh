#!/usr/bin/env bash
# run.sh -- runs every fuzz target of a build over its seed corpus once, then mutates for a while, two targets
# at a time, under the memory limits: a target that takes more than 512 MB, or asks for more than 64 MB at
# once, fails. New inputs go to a scratch folder, never into the tree.
# Usage: fuzz/run.sh BUILD_DIR [SECONDS_PER_TARGET]     (0 seconds: the corpora only)
set -euo pipefail
build=$(cd "$1" && pwd)
seconds=${2:-20}
here=$(cd "$(dirname "$0")" && pwd)
work=$(mktemp -d)
trap 'rm -rf "$work"' EXIT

# libvorbisfile leaks part of what it allocated when it fails to open a damaged file; that is not ours.
# The sanitizer keeps freed blocks in quarantine, 256 MB by default, which counts against the 512 MB limit:
# a smaller quarantine keeps the limit about what the code under test holds.
export ASAN_OPTIONS=detect_leaks=1:quarantine_size_mb=64
export LSAN_OPTIONS="suppressions=$here/../.ci/lsan-fuzz.supp"
export here work seconds

one() {
  local program=$1 name=${1##*/fuzz_}
  local options=(-rss_limit_mb=512 -malloc_limit_mb=64 -timeout=25 -artifact_prefix="$work/$name-")
  case " brush_blocks effect_script envelope_load image_block keyframer_load particle_system scene_script script_lines shader_script " in
    *" $name "*) options+=(-dict="$here/dict/scripts.dict") ;;
  esac
  local log=$work/$name.log
  if ! "$program" "${options[@]}" -runs=0 "$here/corpus/$name" >"$log" 2>&1; then
    echo "== $name: FAILED on its corpus"; tail -40 "$log"; return 1
  fi
  if [ "$seconds" -gt 0 ]; then
    mkdir -p "$work/$name"
    if ! "$program" "${options[@]}" -max_total_time="$seconds" -print_final_stats=1 "$work/$name" \
         "$here/corpus/$name" >"$log" 2>&1; then
      echo "== $name: FAILED while mutating"; tail -40 "$log"; return 1
    fi
  fi
  local runs
  runs=$(sed -n 's/^stat::number_of_executed_units: *//p' "$log" | tail -1)
  echo "== $name: $(ls "$here/corpus/$name" | wc -l) seeds clean${runs:+, then $runs mutated inputs}"
}
export -f one

ls "$build"/fuzz/fuzz_* | xargs -P 2 -I{} bash -c 'one {}'
