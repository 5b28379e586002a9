#!/usr/bin/env bash
# bench/partition-bench.sh [BUILD_DIR]: partitions synthetic and wcnf
# constraint hypergraphs into 2, 16 and 64 parts with hgp-bench and prints
# a Markdown table.  SIZES (synthetic vertex counts), FILES and PARTS can be
# overridden from the environment.
set -eu
here=$(cd "$(dirname "$0")/.." && pwd)
build=${1:-$here/build}
bench=$build/bench/hgp-bench
wcnf=$here/../shared/bench/wcnf
SIZES=${SIZES:-"10000 100000 285000 1000000"}
FILES=${FILES:-"$wcnf/satellite02ac.wcsp.wcnf $wcnf/pathways_p02_x100.wcnf.gz"}
PARTS=${PARTS:-2,16,64}
[ -x "$bench" ] || { echo "build the target hgp-bench in $build first" >&2; exit 1; }
args=()
for n in $SIZES; do args+=(--synthetic "$n"); done
for f in $FILES; do args+=("$f"); done
echo "| instance | vertices | nets | pins | parts | cut | seconds |"
echo "|---|---:|---:|---:|---:|---:|---:|"
"$bench" --parts "$PARTS" "${args[@]}" | awk 'NR > 1 {
  printf "| %s | %s | %s | %s | %s | %s | %.2f |\n", $1, $2, $3, $4, $5, $6, $7; fflush() }'
