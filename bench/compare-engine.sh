#!/usr/bin/env bash
# bench/compare-engine.sh [BENCH_DIR] [TIMEOUT]: runs engine-bench and minisat
# side by side on every cnf instance and prints a Markdown table.
# Needs a Release build in build/ and the Debian package minisat.
set -u
here=$(cd "$(dirname "$0")/.." && pwd)
dir=${1:-$here/../shared/bench/cnf}
limit=${2:-300}
engine=$here/build/bench/engine-bench
now() { date +%s.%N; }
echo "| instance | expected | engine | engine s | engine conflicts | minisat | minisat s | minisat conflicts |"
echo "|---|---|---|---|---|---|---|---|"
total_e=0; total_m=0
while IFS=, read -r file expected _rest; do
  [ "$file" = file ] && continue
  t0=$(now); out=$(timeout "$limit" "$engine" "$dir/$file" 2>/dev/null); t1=$(now)
  answer=$(echo "$out" | sed -n 's/^s //p'); answer=${answer:-TIMEOUT}
  conflicts=$(echo "$out" | sed -n 's/^c conflicts //p')
  te=$(echo "$t1 - $t0" | bc)
  input="$dir/$file"
  if [[ $file == *.gz ]]; then input=$(mktemp); gzip -dc "$dir/$file" > "$input"; fi
  t0=$(now); mfull=$(timeout "$limit" minisat -verb=1 "$input" 2>/dev/null); t1=$(now)
  mout=$(echo "$mfull" | tail -1)
  mconflicts=$(echo "$mfull" | sed -n 's/^conflicts *: *\([0-9]*\).*/\1/p')
  [[ $file == *.gz ]] && rm -f "$input"
  tm=$(echo "$t1 - $t0" | bc)
  total_e=$(echo "$total_e + $te" | bc); total_m=$(echo "$total_m + $tm" | bc)
  printf "| %s | %s | %s | %.2f | %s | %s | %.2f | %s |\n" "$file" "$expected" "$answer" "$te" "${conflicts:--}" "${mout:-TIMEOUT}" "$tm" "${mconflicts:--}"
done < "$dir/expected.csv"
printf "| **total** | | | %.2f | | | %.2f | |\n" "$total_e" "$total_m"
