#!/usr/bin/env bash
# The built velscan's files open in common tools: numpy reads the CSV (told
# how many metadata lines lead it: with names=True genfromtxt takes the first
# line, comment or not, as the column names), and the udev rule names the
# instrument's USB vendor and product IDs.
#   cli_files_check.sh <velscan> <source dir>
set -euo pipefail
velscan=$1
source_dir=$2
work=$(mktemp -d)
trap 'rm -rf "$work"' EXIT

"$velscan" scan --virtual --reference device -o "$work/white.csv" 2>/dev/null
/usr/bin/python3 - "$work/white.csv" <<'PY'
import sys, numpy
with open(sys.argv[1]) as f:
    metadata_lines = sum(1 for line in f if line.startswith('#'))
data = numpy.genfromtxt(sys.argv[1], delimiter=',', names=True, comments='#', skip_header=metadata_lines)
assert data.dtype.names == ('wavelength_nm', 'intensity', 'reference', 'reflectance', 'absorbance'), data.dtype.names
assert len(data) == 228, len(data)
assert numpy.all(numpy.diff(data['wavelength_nm']) > 0)
PY

rule=$source_dir/contrib/70-velscan.rules
for pair in VENDOR:Vendor PRODUCT:Product; do
  hex=$(sed -n "s/^#define USB_${pair%%:*}_ID 0x\([0-9A-Fa-f]*\)u.*/\1/p" "$source_dir/link/usb.h" | tr 'A-F' 'a-f')
  grep -q "ATTRS{id${pair##*:}}==\"$hex\"" "$rule" || { echo "rule lacks id${pair##*:} $hex"; exit 1; }
done
grep -q '^SUBSYSTEM=="hidraw".*TAG+="uaccess"' "$rule"
