#!/usr/bin/env bash
# Installs what is missing, builds the program and our engine, and starts the program.
# A file named on the command line is taken relative to the folder the script was started in.
set -euo pipefail
args=()
for a in "$@"; do
  case "$a" in
    /*|"") args+=("$a") ;;
    *) args+=("$PWD/$a") ;;
  esac
done
cd "$(dirname "$0")/.."
scripts/install-deps.sh
cmake -S . -B build -G Ninja -DCMAKE_BUILD_TYPE=RelWithDebInfo
cmake --build build --target skyloomgui skyloom
exec build/skyloomgui "${args[@]+"${args[@]}"}"
