#!/usr/bin/env bash
# Installs what is missing, builds Quon and runs the whole test suite.
set -euo pipefail
cd "$(dirname "$0")"
tools/deps.sh
tools/build.sh build -DQUON_WERROR=ON
ctest --test-dir build --output-on-failure -j "$(nproc 2>/dev/null || echo 2)"
