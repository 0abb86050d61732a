#!/usr/bin/env bash
# Installs what is missing, builds every build and runs every test: the
# native build, the same under AddressSanitizer and UBSan, the Windows build
# under Wine, the threaded subsystems under ThreadSanitizer, and a bounded run
# of each fuzz target. Exits non-zero when any
# build or test fails.
set -uo pipefail
root=$(cd "$(dirname "$0")/.." && pwd)
cd "$root"

bash scripts/install-deps.sh || exit 1
bash scripts/build.sh native asan cross tsan fuzz || exit 1

source scripts/services.sh
services_start "$root/build/cross"
trap services_stop EXIT

status=0
passed=0
failed=0
for b in native asan cross tsan; do
  echo "== tests: $b =="
  log=$(mktemp)
  select=()
  # ThreadSanitizer: the threaded subsystems only (the soak runs natively).
  [ "$b" = tsan ] && select=(-L "engine|netclient|recording|audio|platform" -LE soak)
  (cd "build/$b" && ctest -j "$(nproc)" --output-on-failure --timeout 300 "${select[@]}") 2>&1 | tee "$log"
  [ "${PIPESTATUS[0]}" -eq 0 ] || status=1
  # "100% tests passed, 0 tests failed out of 14"
  line=$(grep -E 'tests passed, [0-9]+ tests failed out of [0-9]+' "$log" | tail -n 1)
  if [ -z "$line" ]; then
    echo "no test summary from the $b build"; status=1
  else
    total=$(sed -E 's/.* out of ([0-9]+).*/\1/' <<<"$line")
    bad=$(sed -E 's/.*, ([0-9]+) tests failed.*/\1/' <<<"$line")
    passed=$((passed + total - bad))
    failed=$((failed + bad))
  fi
  rm -f "$log"
done

echo "== fuzz targets (${MARLOW_FUZZ_SECONDS:=20} s each) =="
while IFS= read -r f; do
  corpus=$(mktemp -d)
  if "$f" -max_total_time="$MARLOW_FUZZ_SECONDS" -print_final_stats=0 "$corpus" >"$corpus.log" 2>&1; then
    echo "fuzz $(basename "$f"): ok ($(grep -o 'Done [0-9]* runs in [0-9]* second' "$corpus.log" | head -n 1))"
    passed=$((passed + 1))
  else
    echo "fuzz $(basename "$f"): FAILED"; tail -n 40 "$corpus.log"; status=1
    failed=$((failed + 1))
  fi
  rm -rf "$corpus" "$corpus.log"
done < <(find build/fuzz/fuzz -type f -perm -u+x -not -path '*/CMakeFiles/*' 2>/dev/null | sort)

[ $failed -eq 0 ] || status=1
echo "all builds: $passed passed, $failed failed"
exit $status
