#!/usr/bin/env bash
# The main job: installs what is missing, builds the native build (which makes
# the built-in sample recording: four cameras with sound) and the cross
# build, and opens MarlowViewer.exe under Wine on the sample. With DISPLAY set
# the viewer opens on that screen for you to use; without, it plays on a
# virtual screen (Xvfb) for a few seconds, saves a screenshot to
# build/cross/screenshots/run.png and closes through Exit.
set -euo pipefail
root=$(cd "$(dirname "$0")/.." && pwd)
cd "$root"
bash scripts/install-deps.sh
bash scripts/build.sh native cross
sample="$root/build/native/sample.kvr"
echo "== the sample's units =="
build/native/tools/kvrdump/kvrdump "$sample" | head -n 6 || true  # head closes the pipe early
viewer="$root/build/cross/viewer/MarlowViewer.exe"
shots="$root/build/cross/screenshots"
mkdir -p "$shots"
wine_run="$root/build/cross/wine-run.sh"
if [ -n "${DISPLAY:-}" ]; then
  # The user's own screen and sound; Wine with the cross build's prefix.
  work="$root/build/cross/run"
  mkdir -p "$work"
  cp "$sample" "$work/sample.kvr"
  echo "== Marlow Viewer on $DISPLAY (profile and still pictures in $work) =="
  cd "$work"
  exec "$wine_run" "$viewer" sample.kvr
fi
# No screen: Xvfb, a PulseAudio null sink and the Wine server, as for the
# tests. Wine's DirectDraw goes through GDI there (the GL renderer presents
# nothing on Xvfb).
source scripts/services.sh
services_start "$root/build/cross"
wine reg add 'HKCU\Software\Wine\AppDefaults\MarlowViewer.exe\Direct3D' /v renderer /d gdi /f \
  >/dev/null 2>&1 || true
echo "== Marlow Viewer on a virtual screen ($DISPLAY) =="
cd "$root/build/cross/tests/viewer_app"
"$wine_run" ./viewer_run.exe --seconds 4 --shot "$shots/run.png" "$sample"
echo "screenshot saved as $shots/run.png"
