#!/usr/bin/env bash
# bench/run-pb.sh [BENCH_DIR] [TIME_LIMIT]: runs build/quon on every OPB
# instance of BENCH_DIR/opb and every RUK instance of BENCH_DIR/ruk with the
# given time limit, checks each answer with bench/check_pb.py (hard
# constraints hold in the model, which costs what the "o" line says, the
# objective's constant included), compares the cost or UNSATISFIABLE with
# expected.csv and prints a Markdown table.
set -u
here=$(cd "$(dirname "$0")/.." && pwd)
dir=${1:-$here/../shared/bench}
limit=${2:-60}
out=$(mktemp)
echo "| format | instance | expected | status | cost | model cost | check | s |"
echo "|---|---|---|---|---|---|---|---|"
for format in opb ruk; do
  while IFS=, read -r file expected _rest; do
    [ "$file" = file ] && continue
    t0=$(date +%s.%N)
    timeout $((limit + 30)) "$here/build/quon" -file-format=$format -time-limit="$limit" "$dir/$format/$file" \
      > "$out" 2>/dev/null
    code=$?
    t1=$(date +%s.%N)
    read -r status cost paid verdict < <(python3 "$here/bench/check_pb.py" $format "$dir/$format/$file" "$out")
    [ "$code" != 255 ] && verdict="refused(status $code)"
    if [ "$verdict" = ok ]; then
      if [ "$expected" = UNSATISFIABLE ]; then
        [ "$status" = UNSATISFIABLE ] || verdict=wrong-answer
      elif [ "$status" = OPTIMUM_FOUND ] && [ "$cost" != "$expected" ]; then
        verdict=wrong-optimum
      fi
    fi
    printf "| %s | %s | %s | %s | %s | %s | %s | %.2f |\n" $format "$file" "$expected" "$status" "$cost" "$paid" \
      "$verdict" "$(echo "$t1 - $t0" | bc)"
  done < "$dir/$format/expected.csv"
done
rm -f "$out"
