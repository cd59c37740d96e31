#!/usr/bin/env bash
# Builds the console and starts it on the virtual spectrometer.
set -euo pipefail
cd "$(dirname "$0")/.."

# What configuring and building the console needs on a fresh Debian machine.
packages=(build-essential cmake pkg-config libhidapi-dev libgtest-dev libgmock-dev)
missing=()
for p in "${packages[@]}"; do
  dpkg -s "$p" >/dev/null 2>&1 || missing+=("$p")
done
if [ ${#missing[@]} -gt 0 ]; then
  SUDO=""; [ "$(id -u)" -ne 0 ] && SUDO=sudo
  $SUDO apt-get update
  DEBIAN_FRONTEND=noninteractive $SUDO apt-get install -y "${missing[@]}"
fi

cmake -S . -B build -DCMAKE_BUILD_TYPE=RelWithDebInfo >/dev/null
cmake --build build -j "$(nproc)" --target velscan
exec build/app/velscan --virtual
