#!/usr/bin/env bash
# Installs the build into a scratch prefix, then builds C programs against the
# installed files only and runs them: installed_api.c (the device API) and
# installed_capi.c (the C interface: a virtual scan written and read back)
# through pkg-config, installed_capi.c again through find_package(velscan),
# and, outside sanitizer builds, imports the installed Python package.
#   install_check.sh <build dir> <C compiler> [extra compiler flags...]
set -euo pipefail
build=$1
cc=$2
shift 2
here=$(cd "$(dirname "$0")" && pwd)
prefix=$(mktemp -d)
trap 'rm -rf "$prefix"' EXIT

cmake --install "$build" --prefix "$prefix" >/dev/null
pcdir=$(dirname "$(find "$prefix" -name velscan.pc | head -n 1)")
export PKG_CONFIG_PATH=$pcdir
libdir=$(pkg-config --variable=libdir velscan)
for program in installed_api installed_capi; do
  # shellcheck disable=SC2046
  "$cc" -std=c11 -Wall -Wextra -Werror -pedantic "$@" "$here/$program.c" \
    $(pkg-config --cflags --libs velscan) -o "$prefix/$program"
done
LD_LIBRARY_PATH=$libdir "$prefix/installed_api"
LD_LIBRARY_PATH=$libdir "$prefix/installed_capi" "$prefix/scan.csv"

cmake -S "$here/find_package" -B "$prefix/consumer" -DCMAKE_PREFIX_PATH="$prefix" \
  -DCMAKE_C_COMPILER="$cc" -DCMAKE_C_FLAGS="$*" -DCMAKE_EXE_LINKER_FLAGS="$*" >/dev/null
cmake --build "$prefix/consumer" >/dev/null
"$prefix/consumer/installed_capi" "$prefix/scan-find-package.csv"

# The installed package loads the library installed beside it, with no
# environment pointing there (a sanitized library cannot load into python).
if [ $# -eq 0 ]; then
  site=$(dirname "$(find "$prefix" -path '*/velscan/__init__.py' | head -n 1)")
  (cd "$prefix" && env -u VELSCAN_LIBRARY PYTHONPATH="$(dirname "$site")" /usr/bin/python3 -c \
    "import velscan, velscan._library as l; assert l.lib._name.startswith('$prefix'), l.lib._name; print(len(velscan.open(virtual=True).scan()), 'points from', l.lib._name)")
fi
