#!/usr/bin/env bash
# tools/build.sh BUILD_DIR [cmake options...]: configures and builds one tree.
set -euo pipefail
dir=$1; shift
jobs=$(nproc 2>/dev/null || echo 2)
cmake -S "$(dirname "$0")/.." -B "$dir" "$@" >/dev/null
cmake --build "$dir" -j "$jobs"
