#!/usr/bin/env bash
# The main job as far as it exists: installs what is missing, builds the
# native build (which makes the built-in sample recording, four cameras with
# sound) and plays the sample through the playback engine with the headless
# player, saving every 50th picture as a BMP file.
set -euo pipefail
root=$(cd "$(dirname "$0")/.." && pwd)
cd "$root"
bash scripts/install-deps.sh
bash scripts/build.sh native
out="$root/build/native/pictures"
mkdir -p "$out"
echo "== the sample's units =="
build/native/tools/kvrdump/kvrdump build/native/sample.kvr | head -n 12 || true  # head closes the pipe early
echo "== playing the sample =="
build/native/tools/playkvr/playkvr --bmp-every 50 --bmp-dir "$out" build/native/sample.kvr
echo "pictures saved in $out"
