#!/usr/bin/env bash
# Builds the console and starts it on the virtual spectrometer.
set -euo pipefail
cd "$(dirname "$0")/.."

# What configuring and building the console needs on a fresh Debian machine.
packages=(build-essential cmake pkg-config libhidapi-dev libgtest-dev libgmock-dev)
tools/install-packages.sh "${packages[@]}"

cmake -S . -B build -DCMAKE_BUILD_TYPE=RelWithDebInfo >/dev/null
cmake --build build -j "$(nproc)" --target velscan
exec build/app/velscan --virtual
