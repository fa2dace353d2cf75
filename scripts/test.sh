#!/usr/bin/env bash
# The whole test suite from a fresh checkout: installs dependencies, checks the formatting,
# builds, runs every test,
# builds the Debian package and runs the installed programs in a throwaway root (as root only:
# it mounts an overlay), then builds and runs the suite again under AddressSanitizer and
# UndefinedBehaviorSanitizer. Set SHEAVER_SKIP_PACKAGE=1 or SHEAVER_SKIP_SANITIZE=1 to leave
# those out.
set -euo pipefail
cd "$(dirname "$0")/.."

scripts/install-deps.sh
scripts/check-format.sh

jobs=$(nproc)
export QT_QPA_PLATFORM=offscreen

cmake --preset default
cmake --build --preset default -j "$jobs"
ctest --preset default -j "$jobs" --no-tests=error

if [[ "${SHEAVER_SKIP_PACKAGE:-0}" != 1 ]]; then
  if [[ $(id -u) -eq 0 ]]; then
    scripts/package-test.sh
  else
    echo "The package test needs root (it mounts a throwaway root): not run."
  fi
fi

if [[ "${SHEAVER_SKIP_SANITIZE:-0}" != 1 ]]; then
  cmake --preset asan
  cmake --build --preset asan -j "$jobs"
  ASAN_OPTIONS=detect_leaks=1 UBSAN_OPTIONS=print_stacktrace=1:halt_on_error=1 \
    ctest --preset asan -j "$jobs" --no-tests=error
fi
echo "All tests passed."
