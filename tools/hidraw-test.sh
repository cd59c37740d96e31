#!/usr/bin/env bash
# The real USB HID path: velscan on the system hidapi (hidraw backend) against
# a kernel HID device made by velscan-uhid-bridge, inside a small VM (Debian
# cloud kernel, busybox initramfs, qemu with plain emulation). Needs no root
# beyond installing packages and touches no host device.
#   tools/hidraw-test.sh    build folder $HIDRAW_BUILD (default build);
#                           HIDRAW_DEBUG=1 shows every output and bridge event
# Prints one line per scenario, the benchmark and "N passed, N failed"; exits
# non-zero on any failure. Bounded: qemu runs under `timeout`, the VM's init
# has its own watchdog.
set -euo pipefail
cd "$(dirname "$0")/.."
repo=$(pwd)

build=${HIDRAW_BUILD:-build}
work=$build/hidraw-test
cache=$work/cache
kernel_meta=linux-image-cloud-amd64
vm_seconds=170        # qemu's bound; the VM's watchdog stops it earlier
watchdog_seconds=150
run_seconds=60        # bound of each velscan run inside the VM
bench_scans=10
scenarios=4
started=$(date +%s)

# Building velscan and the bridge, then the VM and its initramfs.
packages=(build-essential cmake pkg-config libhidapi-dev libcli11-dev libgtest-dev libgmock-dev
          qemu-system-x86 busybox-static cpio binutils)
tools/install-packages.sh "${packages[@]}"

echo "== kernel HID test: building velscan (system hidapi), the bridge and the CPU-time helper in $build =="
[ -f "$build/CMakeCache.txt" ] || cmake -S . -B "$build" -DCMAKE_BUILD_TYPE=RelWithDebInfo >/dev/null
cmake --build "$build" -j "${JOBS:-2}" --target velscan velscan-uhid-bridge velscan-cpu-time >/dev/null
velscan_bin=$build/app/velscan
bridge_bin=$build/emulator/velscan-uhid-bridge
cpu_time_bin=$build/tools/velscan-cpu-time

# The kernel: the package the meta package points at, unpacked, never installed.
mkdir -p "$cache"
cache=$(cd "$cache" && pwd)   # the download runs inside it
kernel_root=$cache/root
if ! ls "$kernel_root"/boot/vmlinuz-* >/dev/null 2>&1; then
  resolve_image() {
    apt-cache depends "$kernel_meta" 2>/dev/null | sed -n 's/^ *Depends: \(linux-image-[^ ]*\)$/\1/p' | head -n 1
  }
  image_pkg=$(resolve_image)
  if [ -z "$image_pkg" ]; then
    SUDO=""; [ "$(id -u)" -ne 0 ] && SUDO=sudo
    $SUDO apt-get update >/dev/null 2>&1 || true
    image_pkg=$(resolve_image)
  fi
  if [ -z "$image_pkg" ]; then
    echo "hidraw-test: cannot resolve the package $kernel_meta (apt-cache depends $kernel_meta found no kernel image; run apt-get update?)" >&2
    exit 1
  fi
  rm -f "$cache"/*.deb
  if ! (cd "$cache" && apt-get download "$image_pkg" >/dev/null 2>"$cache/download.log"); then
    echo "hidraw-test: downloading the kernel package $image_pkg (for $kernel_meta) failed:" >&2
    sed 's/^/  /' "$cache/download.log" >&2
    exit 1
  fi
  rm -rf "$kernel_root"
  dpkg-deb -x "$cache"/"$image_pkg"_*.deb "$kernel_root"
fi
vmlinuz=$(ls "$kernel_root"/boot/vmlinuz-* | head -n 1)
kernel_version=${vmlinuz##*/vmlinuz-}
modules_dir=$kernel_root/lib/modules/$kernel_version
config=$kernel_root/boot/config-$kernel_version

# The initramfs: busybox, the programs, their shared libraries, the HID
# modules (with what they depend on, in load order), the golden transcripts.
root=$work/initramfs
rm -rf "$root"
mkdir -p "$root"/{bin,etc,lib/modules,test,dev}
cp /bin/busybox "$root/bin/busybox"
ln -s busybox "$root/bin/sh"   # the interpreter of /init
for program in "$velscan_bin" "$bridge_bin" "$cpu_time_bin"; do
  strip -o "$root/bin/$(basename "$program")" "$program"
  for lib in $(ldd "$program" | awk '$2 == "=>" && $3 ~ /^\// {print $3} $1 ~ /^\// {print $1}'); do
    mkdir -p "$root$(dirname "$lib")"
    [ -e "$root$lib" ] || cp -L "$lib" "$root$lib"
  done
done

# Each module is either built into the kernel (nothing to load) or a .ko
# whose "depends=" entry names the modules to load before it.
module_order=()
add_module() {  # add_module NAME [CONFIG_SYMBOL]; dependencies come without a symbol
  local name=$1 symbol=${2:-} file deps dep known
  if [ -n "$symbol" ]; then
    case $(grep "^CONFIG_$symbol=" "$config" | cut -d= -f2) in
      y) return ;;
      m) ;;
      *) echo "hidraw-test: the kernel $kernel_version has no $name (CONFIG_$symbol)" >&2; exit 1 ;;
    esac
  fi
  for known in "${module_order[@]}"; do [ "$known" = "$name" ] && return; done
  file=$(find "$modules_dir" -name "$name.ko" | head -n 1)
  [ -n "$file" ] || { echo "hidraw-test: module $name.ko missing from $kernel_version" >&2; exit 1; }
  deps=$(tr '\0' '\n' <"$file" | sed -n 's/^depends=//p' | tr ',' ' ')
  for dep in $deps; do add_module "$dep"; done
  cp "$file" "$root/lib/modules/$name.ko"
  module_order+=("$name")
}
grep -q '^CONFIG_HIDRAW=y' "$config" || { echo "hidraw-test: the kernel $kernel_version has no hidraw" >&2; exit 1; }
add_module hid HID
add_module uhid UHID
add_module hid-generic HID_GENERIC
printf '%s\n' "${module_order[@]}" >"$root/lib/modules/order"

cp tools/hidraw-vm-init.sh "$root/init"
chmod 755 "$root/init"
printf 'root:x:0:0:root:/root:/bin/sh\nscanner:x:1000:1000:scanner:/tmp:/bin/sh\n' >"$root/etc/passwd"
printf 'root:x:0:\nscanner:x:1000:\n' >"$root/etc/group"
transcripts=tests/e2e/transcripts
cp "$transcripts"/full_session.in "$transcripts"/full_session.out \
   "$transcripts"/startup_quit.in "$transcripts"/startup_quit.out "$root/test/"
printf '1\na\nq\n' >"$root/test/vanish.in"
printf 'a\na\nq\n' >"$root/test/timeout.in"
{ for _ in $(seq "$bench_scans"); do echo 1; done; echo q; } >"$root/test/bench.in"
cat >"$root/test/settings" <<EOF
watchdog_seconds=$watchdog_seconds
run_seconds=$run_seconds
bench_scans=$bench_scans
debug=${HIDRAW_DEBUG:-0}
bridge_options="$([ "${HIDRAW_DEBUG:-0}" = 1 ] && echo --verbose)"
EOF
(cd "$root" && find . | cpio -o -H newc -R 0:0 --quiet | gzip -1) >"$work/initramfs.gz"

echo "== booting $kernel_version in qemu (plain emulation) =="
log=$work/vm.log
set +e
timeout --kill-after=10 "$vm_seconds" qemu-system-x86_64 -cpu max -m 512 -smp 1 -nographic -no-reboot \
  -kernel "$vmlinuz" -initrd "$work/initramfs.gz" -nic none \
  -append "console=ttyS0 quiet panic=-1 rdinit=/init" </dev/null >"$log" 2>&1
qemu_status=$?
set -e
# The VM's lines, freed of carriage returns and of the firmware's screen
# codes that may precede the first one.
tr -d '\r' <"$log" | sed 's/^.*\(@@[a-z]\)/\1/' >"$log.txt"

passed=0
failed=0
for n in $(seq "$scenarios"); do
  line=$(grep "^@@result [a-z]* $n " "$log.txt" | head -n 1 || true)
  verdict=$(echo "$line" | cut -d' ' -f2)
  text=$(echo "$line" | cut -d' ' -f4-)
  if [ "$verdict" = pass ]; then
    passed=$((passed + 1))
    echo "PASS scenario $n: $text"
  else
    failed=$((failed + 1))
    echo "FAIL scenario $n: ${text:-no result (the VM stopped early, qemu exit $qemu_status; see $log.txt)}"
  fi
done
if [ "$failed" -gt 0 ] || [ "${HIDRAW_DEBUG:-0}" = 1 ]; then
  echo "-- details from the VM --"
  grep '^@@log' "$log.txt" | sed 's/^@@log //' || true
fi

bench() { sed -n "s/^@@bench $1 //p" "$log.txt" | head -n 1; }
hidraw_us=$(bench hidraw_us_per_scan)
virtual_us=$(bench virtual_us_per_scan)
if [ -n "$hidraw_us" ] && [ -n "$virtual_us" ] && [ "$virtual_us" -gt 0 ]; then
  echo "benchmark (in the VM, $(bench scans) scans): velscan CPU time per scan: hidraw ${hidraw_us} us, --virtual ${virtual_us} us (ratio $(awk -v h="$hidraw_us" -v v="$virtual_us" 'BEGIN { printf "%.2f", h / v }'))"
else
  echo "benchmark: no figures (hidraw '${hidraw_us}', --virtual '${virtual_us}')"
fi
echo "run time: $(($(date +%s) - started)) s"
echo "$passed passed, $failed failed"
[ "$failed" -eq 0 ]
