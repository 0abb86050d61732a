#!/bin/sh
# Plays the probe's tones through the wave output device under Wine into a
# sound sink of this test's own, records that sink, and lets the probe check
# the recording. Needs the sound server of scripts/services.sh.
# usage: play_and_record.sh WINE_RUN PROBE WORKDIR
set -u
wine_run=$1
probe=$2
work=$3
mkdir -p "$work" && cd "$work" || exit 1
if [ -z "${XDG_RUNTIME_DIR:-}" ]; then
  XDG_RUNTIME_DIR=/tmp/marlow-runtime-$(id -u)
  export XDG_RUNTIME_DIR
fi
if ! pactl info >/dev/null 2>&1; then
  echo "no sound server: source scripts/services.sh and call services_start first"
  exit 1
fi
# A sink of our own: other tests playing at the same time stay out of the
# recording. Wine's sound driver opens the sink PULSE_SINK names.
sink=marlow_audio_test_$$
module=$(pactl load-module module-null-sink sink_name=$sink) || exit 1
rec=
cleanup() {
  [ -n "$rec" ] && kill "$rec" 2>/dev/null && wait "$rec" 2>/dev/null
  rec=
  pactl unload-module "$module" 2>/dev/null
}
trap cleanup EXIT
trap 'exit 1' INT TERM
rm -f played.raw
parec --device="$sink.monitor" --format=s16le --rate=8000 --channels=1 >played.raw &
rec=$!
PULSE_SINK=$sink "$wine_run" "$probe" play
status=$?
sleep 1  # what the sound server still holds drains into the recording
kill "$rec"
wait "$rec" 2>/dev/null
rec=
# The recording is checked even after a failed play: it tells what was heard.
"$wine_run" "$probe" check played.raw
checked=$?
if [ $status -eq 0 ] && [ $checked -eq 0 ]; then
  exit 0
fi
exit 1
