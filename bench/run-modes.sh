#!/usr/bin/env bash
# bench/run-modes.sh [BENCH_DIR] [TIME_LIMIT]: the wcnf set in every
# lower-bound search mode, one table per mode (bench/run-wcnf.sh), two modes
# at a time.
set -u
here=$(cd "$(dirname "$0")/.." && pwd)
dir=${1:-$here/../shared/bench/wcnf}
limit=${2:-120}
out=$(mktemp -d)
run() { "$here/bench/run-wcnf.sh" "$dir" "$limit" -lb-search-mode="$1" > "$out/$1.md"; }
run normal & run part-weight & wait
run part-graph & run part-dyn & wait
for mode in normal part-weight part-graph part-dyn; do
  echo "### $mode"
  echo
  cat "$out/$mode.md"
  echo
done
rm -rf "$out"
