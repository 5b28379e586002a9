#!/usr/bin/env bash
# bench/compare-engine.sh [BENCH_DIR] [TIMEOUT] [BEFORE_ENGINE]: runs
# engine-bench, an earlier engine-bench binary (BEFORE_ENGINE, optional) and
# minisat on every cnf instance and prints a Markdown table. The three run at
# the same time on each instance, so that they see the same machine load;
# instances are taken one after the other.
# Needs a Release build in build/ and the Debian package minisat.
set -u
here=$(cd "$(dirname "$0")/.." && pwd)
dir=${1:-$here/../shared/bench/cnf}
limit=${2:-600}
before=${3:-}
engine=$here/build/bench/engine-bench
work=$(mktemp -d)
trap 'rm -rf "$work"' EXIT

now() { date +%s.%N; }
field() { sed -n "s|^c $1 ||p" "$2"; }
# timed OUTPUT COMMAND...: runs the command with the time limit, wall time in OUTPUT.time
timed() {
  local out=$1; shift
  local t0; t0=$(now)
  timeout "$limit" "$@" > "$out" 2>/dev/null
  echo "$(now) - $t0" | bc > "$out.time"
}

echo "| instance | expected | answer | conflicts | decisions | before s | after s | speed-up | before prop/s | after prop/s | visits/prop | minisat s | minisat conflicts | after/minisat |"
echo "|---|---|---|---|---|---|---|---|---|---|---|---|---|---|"
total_b=0; total_a=0; total_m=0
while IFS=, read -r file expected _rest; do
  [ "$file" = file ] && continue
  input="$dir/$file"
  if [[ $file == *.gz ]]; then input=$work/plain.cnf; gzip -dc "$dir/$file" > "$input"; fi
  timed "$work/after" "$engine" "$dir/$file" &
  if [ -n "$before" ]; then timed "$work/before" "$before" "$dir/$file" & fi
  timed "$work/minisat" minisat -verb=1 "$input" &
  wait
  answer=$(sed -n 's/^s //p' "$work/after"); answer=${answer:-TIMEOUT}
  ta=$(cat "$work/after.time"); tm=$(cat "$work/minisat.time")
  tb=-; props_b=-
  if [ -n "$before" ]; then
    tb=$(printf "%.2f" "$(cat "$work/before.time")"); props_b=$(field propagations/s "$work/before")
    # A faster engine must search exactly as the earlier one did.
    if [ "$(field conflicts "$work/before")" != "$(field conflicts "$work/after")" ] ||
       [ "$(field decisions "$work/before")" != "$(field decisions "$work/after")" ]; then
      answer="$answer (SEARCH CHANGED)"
    fi
    total_b=$(echo "$total_b + $tb" | bc)
  fi
  mconflicts=$(sed -n 's/^conflicts *: *\([0-9]*\).*/\1/p' "$work/minisat")
  total_a=$(echo "$total_a + $ta" | bc); total_m=$(echo "$total_m + $tm" | bc)
  speedup=-; [ -n "$before" ] && speedup=$(printf "%.2f" "$(echo "$tb / $ta" | bc -l)")
  printf "| %s | %s | %s | %s | %s | %s | %.2f | %s | %s | %s | %s | %.2f | %s | %.2f |\n" \
    "$file" "$expected" "$answer" "$(field conflicts "$work/after")" "$(field decisions "$work/after")" \
    "$tb" "$ta" "$speedup" "$props_b" "$(field propagations/s "$work/after")" \
    "$(field visits/propagation "$work/after")" "$tm" "${mconflicts:--}" "$(echo "$ta / $tm" | bc -l)"
done < "$dir/expected.csv"
printf "| **total** | | | | | %.2f | %.2f | | | | | %.2f | | %.2f |\n" "$total_b" "$total_a" "$total_m" \
  "$(echo "$total_a / $total_m" | bc -l)"
