#!/usr/bin/env bash
# Installs what is missing, builds all three builds and runs every test:
# the native build, the same under AddressSanitizer and UBSan, and the
# Windows build under Wine. Exits non-zero when any build or test fails.
set -uo pipefail
root=$(cd "$(dirname "$0")/.." && pwd)
cd "$root"

bash scripts/install-deps.sh || exit 1
bash scripts/build.sh native asan cross || exit 1

source scripts/services.sh
services_start "$root/build/cross"
trap services_stop EXIT

status=0
for b in native asan cross; do
  echo "== tests: $b =="
  (cd "build/$b" && ctest -j "$(nproc)" --output-on-failure --timeout 300) || status=1
done

if [ $status -eq 0 ]; then echo "All test runs passed."; else echo "Some tests FAILED."; fi
exit $status
