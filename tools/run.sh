#!/usr/bin/env bash
# Builds velscan and starts the console on the virtual spectrometer.
set -euo pipefail
cd "$(dirname "$0")/.."
cmake -S . -B build -DCMAKE_BUILD_TYPE=RelWithDebInfo >/dev/null
cmake --build build -j "$(nproc)"
if [ -x build/app/velscan ]; then
  exec build/app/velscan --virtual
fi
echo "The console is not built yet; these programs are:"
find build -maxdepth 3 -type f -perm -u+x -name 'velscan*' -o -maxdepth 3 -type f -perm -u+x -name '*_bench' | sort
