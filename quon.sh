#!/usr/bin/env bash
# Installs what is missing, builds Quon and runs it: ./quon.sh [options] <input-file>
set -euo pipefail
here=$(cd "$(dirname "$0")" && pwd)
"$here/tools/deps.sh" >&2
"$here/tools/build.sh" "$here/build" >&2
if [ -x "$here/build/quon" ]; then
  exec "$here/build/quon" "$@"
fi
echo "c the quon executable is not built yet; the engine library and its benchmark driver are in build/" >&2
