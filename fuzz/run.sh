#!/usr/bin/env bash
# Runs every fuzz target for a bounded time, each on a scratch copy of its
# seed corpus inside the build directory: fuzz/corpus never grows.
# Usage: fuzz/run.sh BUILD_DIR SECONDS_PER_TARGET   (make fuzz calls it)
set -euo pipefail
build=$(cd "${1:-build-fuzz}" && pwd)
seconds=${2:-60}
here=$(cd "$(dirname "$0")" && pwd)

# Longest input worth trying: a few lines of names, one date, a small file,
# a code with some blanks around it.
declare -A max_len=([fuzz_engine]=256 [fuzz_date_parser]=48 [fuzz_csv]=4096 [fuzz_decoder]=64
                   [fuzz_register]=65536)

for target in fuzz_engine fuzz_date_parser fuzz_csv fuzz_decoder fuzz_register; do
  work=$build/fuzz-run/$target
  rm -rf "$work"
  mkdir -p "$work/corpus" "$work/crashes"
  if [ "$target" = fuzz_register ]; then
    # Register files: small ones written now, and the head of the built one.
    "$build/bin/register_seeds" "$work/corpus"
    head -c "${max_len[$target]}" "$build/bin/Comuni.mdb" >"$work/corpus/built-head.mdb"
  else
    cp "$here/corpus/$target"/* "$work/corpus/"
  fi
  echo "== $target: ${seconds}s, inputs up to ${max_len[$target]} bytes"
  dict=()
  [ -f "$here/$target.dict" ] && dict=(-dict="$here/$target.dict")
  status=0
  "$build/bin/$target" "$work/corpus" -max_total_time="$seconds" -max_len="${max_len[$target]}" \
    -timeout=10 -rss_limit_mb=2048 -print_final_stats=1 -artifact_prefix="$work/crashes/" \
    "${dict[@]}" >"$work/log" 2>&1 || status=$?
  if [ "$status" -ne 0 ]; then
    tail -n 80 "$work/log"
    echo "$target FAILED (exit $status); the input is in $work/crashes/"
    exit 1
  fi
  grep -E '^(stat::number_of_executed_units|stat::peak_rss_mb)|^#[0-9]+ *DONE' "$work/log" || true
  echo "$target: no failure"
done
