#!/bin/sh
# /init of the kernel HID test VM (see tools/hidraw-test.sh, which packs it
# into the initramfs). Loads the kernel's HID modules, then runs each scenario
# against velscan-uhid-bridge through the system hidapi (hidraw backend):
#   @@result pass|fail N text    one line per scenario, read by the host
#   @@bench key value            benchmark figures
#   @@log text                   details shown when a scenario fails
# A watchdog reboots (which ends qemu: -no-reboot) if anything hangs.
/bin/busybox mkdir -p /proc /sys /dev /tmp /usr/bin /sbin /usr/sbin
/bin/busybox --install -s
export PATH=/bin:/sbin:/usr/bin:/usr/sbin
mount -t proc proc /proc
mount -t sysfs sysfs /sys
mount -t devtmpfs devtmpfs /dev
mount -t tmpfs tmpfs /tmp
chmod 1777 /tmp

. /test/settings   # watchdog_seconds, run_seconds, bench_scans, debug

(sleep "$watchdog_seconds"; echo "@@log watchdog: the VM ran for $watchdog_seconds s, stopping it"; reboot -f) &

log_file() {  # prefixes every line of a file for the host's log
    sed 's/^/@@log   /' "$1" | head -n 40
}

for module in $(cat /lib/modules/order); do
    insmod "/lib/modules/$module.ko" || echo "@@log cannot load module $module"
done

bridge_pid=""
start_bridge() {
    velscan-uhid-bridge $bridge_options "$@" 2>>/tmp/bridge.log &
    bridge_pid=$!
    for _ in $(seq 100); do
        ls /dev/hidraw* >/dev/null 2>&1 && return 0
        sleep 0.1
    done
    echo "@@log the bridge's hidraw node never appeared"
    log_file /tmp/bridge.log
    return 1
}
stop_bridge() {
    [ -n "$bridge_pid" ] && kill "$bridge_pid" 2>/dev/null
    [ -n "$bridge_pid" ] && wait "$bridge_pid" 2>/dev/null
    bridge_pid=""
    for _ in $(seq 100); do
        ls /dev/hidraw* >/dev/null 2>&1 || return 0
        sleep 0.1
    done
}
# velscan under a time bound; stdin from $1, stdout to $2, the rest are options.
run_velscan() {
    input=$1 output=$2
    shift 2
    timeout "$run_seconds" velscan "$@" <"$input" >"$output" 2>"$output.err"
}
# The same as the unprivileged user "scanner".
run_velscan_as_user() {
    su -s /bin/sh scanner -c "timeout $run_seconds velscan <$1 >$2 2>$2.err"
}
result() {  # result pass|fail N text
    echo "@@result $1 $2 $3"
}

# 1. The golden menu session through the kernel prints exactly what it
#    prints against the in-process virtual spectrometer.
if start_bridge; then
    run_velscan /test/full_session.in /tmp/s1.out
    status=$?
    if [ "$status" -eq 0 ] && cmp -s /tmp/s1.out /test/full_session.out; then
        result pass 1 "golden menu session over hidraw: byte for byte as with --virtual"
    else
        result fail 1 "golden menu session over hidraw differs from --virtual (exit $status)"
        diff /test/full_session.out /tmp/s1.out >/tmp/s1.diff
        log_file /tmp/s1.diff
        log_file /tmp/s1.out.err
    fi
else
    result fail 1 "golden menu session: no hidraw device"
fi
stop_bridge

# 2. A node only root may open: the unprivileged user is refused; once the
#    node is given to the user's group, the same command succeeds.
if start_bridge; then
    node=$(ls /dev/hidraw* | head -n 1)
    chown root:root "$node"
    chmod 0600 "$node"
    run_velscan_as_user /test/startup_quit.in /tmp/s2a.out
    denied_status=$?
    denied=no
    grep -q "Open Device Success." /tmp/s2a.out || denied=yes
    # hook (everyday-use subcommands): once `velscan info` exists, run it here
    # as the user too and require exit 4 and a message naming permission and
    # contrib/70-velscan.rules.
    chgrp scanner "$node"
    chmod 0660 "$node"
    run_velscan_as_user /test/startup_quit.in /tmp/s2b.out
    allowed_status=$?
    if [ "$denied" = yes ] && [ "$denied_status" -eq 0 ] && [ "$allowed_status" -eq 0 ] &&
        cmp -s /tmp/s2b.out /test/startup_quit.out; then
        result pass 2 "root-only node ($(stat -c '%U:%G %a' "$node" 2>/dev/null) after the change): user refused, then served"
    else
        result fail 2 "permissions: refused=$denied (exit $denied_status), after chgrp exit $allowed_status"
        log_file /tmp/s2a.out
        log_file /tmp/s2a.out.err
        diff /test/startup_quit.out /tmp/s2b.out >/tmp/s2.diff
        log_file /tmp/s2.diff
    fi
else
    result fail 2 "permissions: no hidraw device"
fi
stop_bridge

# 3. The device disappears right after it acknowledged a scan: the scan is
#    reported as failed, the next command fails too, velscan ends normally.
if start_bridge --vanish-after-scans 1; then
    run_velscan /test/vanish.in /tmp/s3.out
    status=$?
    wait "$bridge_pid" 2>/dev/null
    bridge_pid=""
    if [ "$status" -eq 0 ] && grep -q "velGetScanResults failure!" /tmp/s3.out &&
        grep -q "velGetHumTemp failure!" /tmp/s3.out; then
        result pass 3 "device removed mid-scan: $(grep 'velGetScanResults failure!' /tmp/s3.out), velscan ended normally"
    else
        result fail 3 "device removed mid-scan: exit $status (124: hung)"
        log_file /tmp/s3.out
        log_file /tmp/s3.out.err
    fi
    # hook (everyday-use subcommands): once `velscan scan --count N
    # --interval S` exists, start a series here, remove the bridge during it,
    # start a fresh bridge and require that the series reopens the instrument
    # and completes its remaining scans.
else
    result fail 3 "device removed mid-scan: no hidraw device"
fi
stop_bridge

# 4. The humidity reply never comes: the transport's read time-out fires
#    (the exchange ends with the time-out code -5, after the configured wait)
#    and the next command is answered.
if start_bridge --fault no-reply --fault-command 0x0302; then
    started=$(date +%s)
    run_velscan /test/timeout.in /tmp/s4.out
    status=$?
    elapsed=$(($(date +%s) - started))
    timed_out_line=$(grep -n "ZOR_ReadHum error: -5$" /tmp/s4.out | head -n 1 | cut -d: -f1)
    answered_line=$(grep -n "Humidity: 38.20, Temperature: 25.12" /tmp/s4.out | head -n 1 | cut -d: -f1)
    if [ "$status" -eq 0 ] && [ -n "$timed_out_line" ] && [ -n "$answered_line" ] &&
        [ "$answered_line" -gt "$timed_out_line" ]; then
        result pass 4 "reply never came: read time-out (-5; session took ${elapsed} s), next command answered"
    else
        result fail 4 "reply never came: exit $status, session took ${elapsed} s, time-out line ${timed_out_line:-none}, answer line ${answered_line:-none}"
        log_file /tmp/s4.out
    fi
else
    result fail 4 "time-out: no hidraw device"
fi
stop_bridge

# Benchmark: velscan's own processor time per scan, through the kernel and
# with the in-process virtual spectrometer: a session of bench_scans scans
# less a session that only opens and quits, divided by bench_scans. Each
# session is run three times and the least time kept, which sheds most of
# the noise an emulated machine on a busy host adds.
cpu_us() {  # cpu_us hidraw|virtual INPUT: least total µs of three sessions
    least=""
    for _ in 1 2 3; do
        if [ "$1" = hidraw ]; then
            start_bridge || return
            used=$(velscan-cpu-time velscan <"$2" 2>&1 >/dev/null)
            stop_bridge
        else
            used=$(velscan-cpu-time velscan --virtual <"$2" 2>&1 >/dev/null)
        fi
        used=$(echo "$used" | sed -n 's/^cpu-time: .*total \([0-9]*\) us$/\1/p')
        if [ -z "$least" ] || [ "$used" -lt "$least" ]; then least=$used; fi
    done
    echo "$least"
}
per_scan_us() {  # per_scan_us hidraw|virtual
    base=$(cpu_us "$1" /test/startup_quit.in)
    full=$(cpu_us "$1" /test/bench.in)
    echo $(((full - base) / bench_scans))
}
echo "@@bench hidraw_us_per_scan $(per_scan_us hidraw)"
echo "@@bench virtual_us_per_scan $(per_scan_us virtual)"
echo "@@bench scans $bench_scans"

if [ "$debug" = 1 ]; then
    for file in /tmp/*.out /tmp/*.err /tmp/bridge.log; do
        echo "@@log == $file"
        sed 's/^/@@log   /' "$file"
    done
fi
echo "@@done"
sync
reboot -f
