#!/usr/bin/env bash
# Sets up what is missing, builds both builds and runs every test: the core natively (with
# AddressSanitizer and UndefinedBehaviorSanitizer), and the Windows build under Wine. Where
# this machine runs no 32-bit programs, the Windows tests run on a 64-bit build of the same
# sources under 64-bit Wine (see tools/windows-build.sh); the 32-bit product is built and its
# images checked on every machine.
set -euo pipefail
root=$(cd "$(dirname "$0")/.." && pwd)
cd "$root"

tools/install-packages.sh

configure() {  # build folder, then CMake arguments
  local dir=$1
  shift
  [ -f "$dir/build.ninja" ] || cmake -S . -B "$dir" -G Ninja "$@" >/dev/null
}
. tools/windows-build.sh
choose_windows_build
echo "Windows build for the tests: $windows_build-bit ($windows_reason)"

configure build/native -DTAVELIN_SANITIZE=ON
configure build/windows -DCMAKE_TOOLCHAIN_FILE=cmake/toolchain-mingw-i686.cmake
cmake --build build/native
if [ "$windows_build" = 64 ]; then
  # The 32-bit build gives only the programs whose images are checked.
  cmake --build build/windows --target tavelin tavelin-render
  configure "$windows_dir" -DCMAKE_TOOLCHAIN_FILE="$windows_toolchain"
  cmake --build "$windows_dir"
else
  cmake --build build/windows
fi

. tools/virtual-display.sh
trap stop_virtual_display EXIT
start_virtual_display

status=0
passed=0
failed=0
skipped=0
run_tests() {  # name, build folder, ctest arguments
  local name=$1 dir=$2 log
  shift 2
  log=$(mktemp)
  echo "== $name"
  (cd "$dir" && ctest --output-on-failure "$@") | tee "$log" || status=1
  local line
  line=$(grep -E 'tests passed, [0-9]+ tests? failed out of [0-9]+' "$log" | tail -n 1)
  if [ -z "$line" ]; then
    status=1
  else
    local bad total unrun
    bad=$(sed -E 's/.* ([0-9]+) tests? failed out of ([0-9]+).*/\1/' <<<"$line")
    total=$(sed -E 's/.* failed out of ([0-9]+).*/\1/' <<<"$line")
    # CTest counts a skipped test as passed; tell them apart (kernels this machine lacks).
    unrun=$(grep -c '(Skipped)$' "$log" || true)
    passed=$((passed + total - bad - unrun))
    failed=$((failed + bad))
    skipped=$((skipped + unrun))
  fi
  rm -f "$log"
}
run_tests "native build (sanitizers)" build/native -j2
if [ "$windows_build" = 64 ]; then
  run_tests "Windows 32-bit build: images" build/windows -R '^win\.images$'
  run_tests "Windows 64-bit build (under 64-bit Wine)" "$windows_dir"
else
  run_tests "Windows 32-bit build (under Wine)" build/windows
fi

echo
echo "== Summary: native and Windows (Wine) builds"
echo "Windows build: $windows_build-bit ($windows_reason)"
echo "total: $passed passed, $failed failed, $skipped skipped"
exit $status
