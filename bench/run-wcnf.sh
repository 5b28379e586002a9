#!/usr/bin/env bash
# bench/run-wcnf.sh [BENCH_DIR] [TIME_LIMIT] [OPTION...]: runs build/quon on
# every wcnf instance with the given time limit (and options), checks each answer (hard clauses hold,
# the model costs what the "o" line says) and prints a Markdown table.
set -u
here=$(cd "$(dirname "$0")/.." && pwd)
dir=${1:-$here/../shared/bench/wcnf}
limit=${2:-300}
shift $(($# < 2 ? $# : 2))
out=$(mktemp)
echo "| instance | expected | status | cost | model cost | check | s |"
echo "|---|---|---|---|---|---|---|"
while IFS=, read -r file expected _rest; do
  [ "$file" = file ] && continue
  t0=$(date +%s.%N)
  timeout $((limit + 60)) "$here/build/quon" -time-limit="$limit" "$@" "$dir/$file" > "$out" 2>/dev/null
  t1=$(date +%s.%N)
  read -r status cost paid verdict < <(python3 "$here/bench/check_wcnf.py" "$dir/$file" "$out")
  [ "$verdict" = ok ] && [ "$status" = OPTIMUM_FOUND ] && [ "$cost" != "$expected" ] && verdict=wrong-optimum
  printf "| %s | %s | %s | %s | %s | %s | %.2f |\n" "$file" "$expected" "$status" "$cost" "$paid" "$verdict" \
    "$(echo "$t1 - $t0" | bc)"
done < "$dir/expected.csv"
rm -f "$out"
