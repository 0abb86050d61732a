#!/usr/bin/env bash
# Figures of the real viewer under Wine: start-up to the first picture
# (median of 5 starts), CPU of the viewer process while it plays the
# 4-camera sample at speed 1 (user + system time from /proc over 10 s) and
# its peak resident set (VmHWM). Needs the native (sample) and cross builds.
# Usage: bench/viewer/viewer_figures.sh   (MARLOW_XVFB_DISPLAY picks the X server)
set -euo pipefail
root=$(cd "$(dirname "$0")/../.." && pwd)
sample="$root/build/native/sample.kvr"
source "$root/scripts/services.sh"
services_start "$root/build/cross"
cd "$root/build/cross/tests/viewer_app"
run="$root/build/cross/wine-run.sh"
echo "== start-up to the first picture =="
"$run" ./viewer_run.exe --startup-runs 5 "$sample"
echo "== playing the sample (repeat on) for 14 s =="
"$run" ./viewer_run.exe --repeat --seconds 14 "$sample" &
driver=$!
sleep 3
# The viewer's Wine process: the one of that name with the most memory.
pid=$(for p in $(pgrep -f 'MarlowViewer.exe'); do
  echo "$(awk '/VmRSS/ {print $2}' /proc/$p/status 2>/dev/null || echo 0) $p"
done | sort -n | tail -1 | cut -d' ' -f2)
[ -n "$pid" ] || { echo "viewer process not found"; exit 1; }
ticks=$(getconf CLK_TCK)
cpu() { awk '{print $14 + $15}' "/proc/$pid/stat"; }
a=$(cpu); t0=$(date +%s.%N)
sleep 10
b=$(cpu); t1=$(date +%s.%N)
hwm=$(awk '/VmHWM/ {print $2}' "/proc/$pid/status")
awk -v a="$a" -v b="$b" -v t0="$t0" -v t1="$t1" -v hz="$ticks" -v hwm="$hwm" 'BEGIN {
  printf "CPU while playing at speed 1: %.1f %% of one core over %.1f s\n", 100 * (b - a) / hz / (t1 - t0), t1 - t0
  printf "peak resident set (VmHWM): %.1f MiB\n", hwm / 1024 }'
wait "$driver"
