#!/usr/bin/env bash
# Installs the build dependencies that this machine lacks (Debian/Ubuntu).
set -euo pipefail
missing=()
command -v cmake >/dev/null 2>&1 || missing+=(cmake)
command -v g++ >/dev/null 2>&1 || missing+=(g++)
command -v make >/dev/null 2>&1 || missing+=(make)
dpkg -s zlib1g-dev >/dev/null 2>&1 || missing+=(zlib1g-dev)
dpkg -s libgtest-dev >/dev/null 2>&1 || missing+=(libgtest-dev)
if [ ${#missing[@]} -gt 0 ]; then
  echo "Installing missing build dependencies: ${missing[*]}"
  sudo_cmd=""
  [ "$(id -u)" -ne 0 ] && sudo_cmd="sudo"
  $sudo_cmd apt-get update -q
  $sudo_cmd apt-get install -y "${missing[@]}"
fi
