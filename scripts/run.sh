#!/usr/bin/env bash
# The main job as far as it exists: installs what is missing, builds the
# native build and lists the units of the built-in sample recording.
set -euo pipefail
root=$(cd "$(dirname "$0")/.." && pwd)
cd "$root"
bash scripts/install-deps.sh
bash scripts/build.sh native
echo "main job: not built yet"
