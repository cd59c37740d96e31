#!/usr/bin/env bash
# Installs the build into a scratch prefix, then compiles installed_api.c as C
# against the installed files found through pkg-config, and runs it.
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
# shellcheck disable=SC2046
"$cc" -std=c11 -Wall -Wextra -Werror -pedantic "$@" "$here/installed_api.c" \
  $(pkg-config --cflags --libs velscan) -o "$prefix/installed_api"
LD_LIBRARY_PATH=$(pkg-config --variable=libdir velscan) "$prefix/installed_api"
