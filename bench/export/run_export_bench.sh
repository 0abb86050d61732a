#!/bin/sh
# Export throughput under Wine beside ffmpeg (native, the anchor) writing as
# many uncompressed 640 x 544 frames into an AVI file in the same run.
# Usage: run_export_bench.sh WINE_RUN EXPORT_BENCH_EXE [WORKDIR]
set -eu
wine_run=$1
exe=$2
work=${3:-$(mktemp -d)}
mkdir -p "$work"
out=$(sh "$wine_run" "$exe" "$work" </dev/null | tr -d "\r")
echo "$out" | grep -v '^frames '
frames=$(echo "$out" | sed -n 's/^frames //p')
start=$(date +%s.%N)
ffmpeg -v error -y -f rawvideo -pix_fmt bgr24 -s 640x544 -r 50 -i /dev/zero -frames:v "$frames" \
  -c:v rawvideo "$work/ffmpeg.avi"
end=$(date +%s.%N)
bytes=$(stat -c %s "$work/ffmpeg.avi")
rm -f "$work/ffmpeg.avi"
awk -v s="$start" -v e="$end" -v n="$frames" -v b="$bytes" 'BEGIN {
  t = e - s; printf "%-34s %8.2f s %9.1f pictures/s %9.1f MB/s\n",
  "ffmpeg -c:v rawvideo (native)", t, n / t, b / t / 1e6 }'
