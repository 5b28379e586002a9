#!/usr/bin/env bash
# bench/ub-forms.sh [BENCH_DIR] [SECONDS...]: the upper-bound thread alone
# (-lb-cpu-time=0.001) with the objective bound as one pseudo-Boolean
# constraint (-enc-ub=pb) and in the dynamic clause form (-enc-ub=dyn): the
# best cost printed within each time limit, and the time both threads take
# to prove the optimum (limit 20 s). Also a random Max-3-SAT instance made by
# gen-max3sat below. Runs four jobs at a time; prints a Markdown table.
set -u
here=$(cd "$(dirname "$0")/.." && pwd)
dir=${1:-$here/../shared/bench/wcnf}
shift || true
limits=${*:-10 30}
work=$(mktemp -d)
python3 - "$work/rmax3_n100_m800_s2.wcnf" <<'PY'
import random, sys
random.seed(2)
n, m = 100, 800
with open(sys.argv[1], "w") as f:
    f.write("p wcnf %d %d 2\n" % (n, m))
    for _ in range(m):
        vs = random.sample(range(1, n + 1), 3)
        f.write("1 %s 0\n" % " ".join(str(v if random.random() < 0.5 else -v) for v in vs))
PY
files=$(cut -d, -f1 "$dir/expected.csv" | tail -n +2)
run() {  # name file form limit lbTime
  local lb=${5-}
  local out="$work/$1.$3.$4.$lb"
  local t0=$(date +%s.%N)
  timeout $(( ${4%.*} + 30 )) "$here/build/quon" -verbosity=0 -enc-ub="$3" -time-limit="$4" ${lb:+-lb-cpu-time=$lb} "$2" \
    > "$out" 2>/dev/null
  echo "$(grep '^o ' "$out" | tail -1 | cut -c3-) $(grep '^s ' "$out" | cut -c3- | tr ' ' _) $(echo "$(date +%s.%N) - $t0" | bc)" > "$out.sum"
}
jobs=()
for name in $files rmax3_n100_m800_s2.wcnf; do
  file="$dir/$name"; [ -f "$file" ] || file="$work/$name"
  for form in pb dyn; do
    for limit in $limits; do jobs+=("$name $file $form $limit 0.001"); done
    jobs+=("$name $file $form 20 ")
  done
done
for j in "${jobs[@]}"; do
  while [ "$(jobs -r | wc -l)" -ge 4 ]; do sleep 0.2; done
  run $j &
done
wait
header="| instance | expected |"; rule="|---|---|"
for limit in $limits; do header+=" pb ${limit}s | dyn ${limit}s |"; rule+="---|---|"; done
echo "$header pb both threads | dyn both threads |"; echo "$rule---|---|"
for name in $files rmax3_n100_m800_s2.wcnf; do
  expected=$(grep "^$name," "$dir/expected.csv" | cut -d, -f2); line="| $name | ${expected:--} |"
  for limit in $limits; do
    for form in pb dyn; do line+=" $(cut -d' ' -f1 "$work/$name.$form.$limit.0.001.sum") |"; done
  done
  for form in pb dyn; do
    cost= status= secs=0
    read -r cost status secs < "$work/$name.$form.20..sum"
    [ "$status" = OPTIMUM_FOUND ] && line+=" $cost in $(printf %.1f "$secs") s |" || line+=" $cost (${status:-none}) |"
  done
  echo "$line"
done
rm -rf "$work"
