#!/usr/bin/env bash
# Configures and builds one or more of the project's builds:
#   native  Linux, g++, portable code with tests, tools and benchmarks
#   asan    the same with AddressSanitizer and UBSan
#   cross   Windows x86_64 through mingw-w64, everything, tests run under Wine
#   tsan    clang with ThreadSanitizer: the tests of the threaded subsystems
#   fuzz    clang with libFuzzer, ASan and UBSan: the fuzz targets only
# Usage: scripts/build.sh [native|asan|cross|fuzz|all]...   (default: native)
set -euo pipefail
root=$(cd "$(dirname "$0")/.." && pwd)
jobs=$(nproc)

build() {
  local name=$1 target=$2
  shift 2
  local dir="$root/build/$name"
  if [ ! -f "$dir/build.ninja" ]; then
    cmake -S "$root" -B "$dir" -G Ninja "$@"
  fi
  cmake --build "$dir" -j "$jobs" --target $target
}

# The threaded subsystems' tests, run under ThreadSanitizer by the test command
# (ctest -L "$tsan_labels" -LE soak in build/tsan).
tsan_targets="platform_tests recording_tests playback_engine_tests netclient_tests netclient_client_tests audio_ring_tests"

targets=("$@")
[ ${#targets[@]} -eq 0 ] && targets=(native)
for t in "${targets[@]}"; do
  case "$t" in
    native) build native all -DCMAKE_BUILD_TYPE=RelWithDebInfo ;;
    asan) build asan all -DCMAKE_BUILD_TYPE=Debug -DMARLOW_SANITIZE=ON ;;
    cross) build cross all -DCMAKE_BUILD_TYPE=RelWithDebInfo \
             -DCMAKE_TOOLCHAIN_FILE="$root/cmake/mingw-w64-x86_64.cmake" ;;
    tsan) CC=clang CXX=clang++ build tsan "$tsan_targets" -DCMAKE_BUILD_TYPE=RelWithDebInfo \
            -DMARLOW_TSAN=ON -DMARLOW_WERROR=OFF ;;
    fuzz) CC=clang CXX=clang++ build fuzz fuzzers -DCMAKE_BUILD_TYPE=RelWithDebInfo \
            -DMARLOW_FUZZ=ON -DMARLOW_WERROR=OFF ;;
    all) "$0" native asan cross tsan fuzz ;;
    *) echo "unknown build: $t" >&2; exit 2 ;;
  esac
done
