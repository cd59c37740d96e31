#!/usr/bin/env bash
# Robustness checks run at the end of tools/check.sh:
#  1. the libFuzzer targets, built with clang and ASan/UBSan (build-fuzz),
#     each run for FUZZ_SECONDS (default 30) from its seed corpus and the
#     inputs kept in fuzz/regressions/;
#  2. a whole console session under valgrind against the virtual
#     spectrometer (g++ build with -gdwarf-4, build-valgrind), failing on any
#     definite leak or invalid memory access;
#  3. the kernel HID test (tools/hidraw-test.sh): velscan on the system
#     hidapi against the virtual spectrometer as a uhid device in a VM.
set -euo pipefail
cd "$(dirname "$0")/.."

jobs=${JOBS:-$(nproc)}
fuzz_seconds=${FUZZ_SECONDS:-30}

echo "== fuzz targets (${fuzz_seconds} s each) =="
FUZZ_BUILD=build-fuzz JOBS="$jobs" fuzz/run-all.sh --seconds "$fuzz_seconds"

echo "== valgrind console session =="
cmake -S . -B build-valgrind -DCMAKE_BUILD_TYPE=Debug \
  -DCMAKE_C_FLAGS=-gdwarf-4 -DCMAKE_CXX_FLAGS=-gdwarf-4 \
  -DVELSCAN_TESTS=OFF -DVELSCAN_BENCH=OFF >/dev/null
cmake --build build-valgrind -j "$jobs" --target velscan
valgrind --leak-check=full --errors-for-leak-kinds=definite --error-exitcode=1 \
  --quiet build-valgrind/app/velscan --virtual < fuzz/valgrind_session.txt > build-valgrind/session.out
echo "valgrind: console session clean ($(wc -l < build-valgrind/session.out) lines of output)"

echo "== kernel HID test (uhid device in a VM) =="
JOBS="$jobs" tools/hidraw-test.sh
