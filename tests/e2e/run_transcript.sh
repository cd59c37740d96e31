#!/usr/bin/env bash
# Runs the console with a prepared standard input and compares its whole
# standard output with a golden transcript.
#   run_transcript.sh <velscan> <name> [console options...]
# Reads transcripts/<name>.in, compares with transcripts/<name>.out.
# With UPDATE_TRANSCRIPTS=1 the golden file is rewritten instead.
set -euo pipefail
binary=$1
name=$2
shift 2
here=$(cd "$(dirname "$0")" && pwd)
input=$here/transcripts/$name.in
expected=$here/transcripts/$name.out
actual=$(mktemp)
trap 'rm -f "$actual"' EXIT

"$binary" "$@" <"$input" >"$actual"

if [ "${UPDATE_TRANSCRIPTS:-0}" = 1 ]; then
  cp "$actual" "$expected"
  echo "updated $expected"
  exit 0
fi
if ! diff -u "$expected" "$actual"; then
  echo "transcript $name differs from the golden file (above: - golden, + actual)"
  exit 1
fi
