#!/usr/bin/env bash
# Installs what is missing, builds the solver and runs it:
#   ./quon.sh [options] <input-file>
set -euo pipefail
here=$(cd "$(dirname "$0")" && pwd)
"$here/tools/deps.sh" >&2
cmake -S "$here" -B "$here/build" >/dev/null
cmake --build "$here/build" -j "$(nproc 2>/dev/null || echo 2)" --target quon >&2
exec "$here/build/quon" "$@"
