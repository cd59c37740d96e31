#!/usr/bin/env bash
# Installs every build and test dependency, then builds and runs the whole
# suite twice: a normal RelWithDebInfo build and an AddressSanitizer +
# UndefinedBehaviorSanitizer build in which any report fails the run.
set -euo pipefail
cd "$(dirname "$0")/.."

packages=(build-essential cmake pkg-config libgtest-dev libgmock-dev
          libbenchmark-dev libhidapi-dev libcli11-dev valgrind clang-14 libclang-rt-14-dev
          libcairo2-dev fonts-dejavu-core nlohmann-json3-dev
          qemu-system-x86 busybox-static cpio
          python3-numpy python3-pytest python3-matplotlib)
tools/install-packages.sh "${packages[@]}"

jobs=${JOBS:-$(nproc)}

echo "== normal build =="
cmake -S . -B build -DCMAKE_BUILD_TYPE=RelWithDebInfo
cmake --build build -j "$jobs"
ctest --test-dir build --output-on-failure -j "$jobs"

echo "== python package =="
# Debian's python3 with its numpy, on the library just built; pytest's
# "no tests collected" (5) is not a failure.
status=0
VELSCAN_LIBRARY="$PWD/build/api/libvelscan.so" /usr/bin/python3 -m pytest -q python/tests || status=$?
[ "$status" -eq 0 ] || [ "$status" -eq 5 ]

echo "== sanitizer build =="
cmake -S . -B build-asan -DCMAKE_BUILD_TYPE=Debug -DVELSCAN_SANITIZE=ON -DVELSCAN_BENCH=OFF
cmake --build build-asan -j "$jobs"
ASAN_OPTIONS=detect_leaks=1:abort_on_error=1 UBSAN_OPTIONS=print_stacktrace=1:halt_on_error=1 \
  ctest --test-dir build-asan --output-on-failure -j "$jobs"

if [ -x tools/check-extra.sh ]; then
  tools/check-extra.sh
fi
echo "== all checks passed =="
