#!/usr/bin/env bash
# bench/check-search.sh [ENGINE] [BENCH_DIR] [JOBS]: runs engine-bench on every
# instance of the cnf set and compares its conflict and decision counts with
# the ones recorded in bench/README.md (section "Recorded search"). A change
# meant only to make the engine faster must leave both counts as they were on
# every instance; any difference means the search itself changed.
# Exit status 0 when every instance matches, 1 otherwise. Run by hand.
set -u
here=$(cd "$(dirname "$0")/.." && pwd)
engine=${1:-$here/build/bench/engine-bench}
dir=${2:-$here/../shared/bench/cnf}
jobs=${3:-4}
readme=$here/bench/README.md

# "| instance | conflicts | decisions |" rows between the heading and the next one.
recorded=$(awk '/^### Recorded search/ { on = 1; next } /^#/ { on = 0 }
  on && /^\| [^ ]+\.cnf(\.gz)? \| [0-9]+ \| [0-9]+ \|/ { print $2, $4, $6 }' "$readme")
if [ -z "$recorded" ]; then
  echo "no recorded counts in $readme" >&2
  exit 2
fi

out=$(mktemp -d)
trap 'rm -rf "$out"' EXIT
echo "$recorded" | cut -d' ' -f1 |
  xargs -P "$jobs" -I{} sh -c '"$1" "$2/$3" > "$4/$3.out" 2>&1' _ "$engine" "$dir" {} "$out"

status=0
while read -r file conflicts decisions; do
  got_c=$(sed -n 's/^c conflicts //p' "$out/$file.out")
  got_d=$(sed -n 's/^c decisions //p' "$out/$file.out")
  if [ "$got_c" = "$conflicts" ] && [ "$got_d" = "$decisions" ]; then
    echo "same    $file conflicts $conflicts decisions $decisions"
  else
    echo "CHANGED $file conflicts $conflicts -> ${got_c:-none} decisions $decisions -> ${got_d:-none}"
    status=1
  fi
done <<< "$recorded"
exit $status
