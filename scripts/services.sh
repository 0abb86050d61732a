#!/usr/bin/env bash
# Starts or stops what the Windows tests need: a Wine server for the cross
# build's prefix, an X server (Xvfb) and a PulseAudio null sink.
# Usage: source scripts/services.sh; services_start BUILD_DIR; ...; services_stop
services_start() {
  local build=$1
  export WINEPREFIX="$build/wineprefix" WINEDEBUG=-all WINEDLLOVERRIDES="mscoree=;mshtml="
  # X server for windows drawn by the tests.
  export MARLOW_XVFB_DISPLAY=${MARLOW_XVFB_DISPLAY:-:87}
  local n=${MARLOW_XVFB_DISPLAY#:}
  if ! pgrep -f "Xvfb $MARLOW_XVFB_DISPLAY( |$)" >/dev/null 2>&1; then
    # A server that died leaves its socket and lock behind.
    rm -f "/tmp/.X11-unix/X$n" "/tmp/.X$n-lock"
    Xvfb "$MARLOW_XVFB_DISPLAY" -screen 0 1280x1024x24 -nolisten tcp </dev/null >/dev/null 2>&1 &
    MARLOW_XVFB_PID=$!
    for _ in $(seq 50); do [ -e "/tmp/.X11-unix/X$n" ] && break; sleep 0.1; done
  fi
  export DISPLAY=$MARLOW_XVFB_DISPLAY
  # Sound: a null sink that plays in real time and can be recorded.
  if [ -z "${XDG_RUNTIME_DIR:-}" ] || [ ! -d "$XDG_RUNTIME_DIR" ]; then
    XDG_RUNTIME_DIR=/tmp/marlow-runtime-$(id -u)
    mkdir -p "$XDG_RUNTIME_DIR"
    chmod 700 "$XDG_RUNTIME_DIR"
    export XDG_RUNTIME_DIR
  fi
  if ! pactl info >/dev/null 2>&1; then
    pulseaudio --daemonize=yes --exit-idle-time=-1 -n --system=false \
      --load="module-null-sink sink_name=nul" --load=module-native-protocol-unix \
      </dev/null >/dev/null 2>&1 || true
    for _ in $(seq 50); do pactl info >/dev/null 2>&1 && break; sleep 0.1; done
    pactl set-default-sink nul >/dev/null 2>&1 || true
    MARLOW_STARTED_PULSE=1
  fi
  # Wine: the prefix, the server and its helper processes, all detached from
  # our descriptors so they never hold a test's pipes open.
  mkdir -p "$WINEPREFIX"
  if [ ! -f "$WINEPREFIX/.marlow-ready" ]; then
    wineboot -i </dev/null >/dev/null 2>&1 || true
    touch "$WINEPREFIX/.marlow-ready"
  fi
  wineserver -p </dev/null >/dev/null 2>&1 || true
  wine cmd /c exit </dev/null >/dev/null 2>&1 || true
}

services_stop() {
  [ -n "${WINEPREFIX:-}" ] && wineserver -k >/dev/null 2>&1 || true
  [ -n "${MARLOW_STARTED_PULSE:-}" ] && pulseaudio --kill >/dev/null 2>&1 || true
  [ -n "${MARLOW_XVFB_PID:-}" ] && kill "$MARLOW_XVFB_PID" >/dev/null 2>&1 || true
  return 0
}
