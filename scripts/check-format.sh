#!/usr/bin/env bash
# Every C++ file of the project is formatted as .clang-format says; lists the ones that are not.
# scripts/check-format.sh --fix formats them in place.
set -euo pipefail
cd "$(dirname "$0")/.."
mapfile -t files < <(git ls-files '*.cpp' '*.h')
if [[ "${1:-}" == --fix ]]; then
  clang-format -i "${files[@]}"
  exit 0
fi
bad=$(clang-format --dry-run "${files[@]}" 2>&1 | sed -n 's/^\([^:]*\):[0-9]*:[0-9]*: warning:.*/\1/p' | sort -u)
if [[ -n $bad ]]; then
  echo "Not formatted as .clang-format says (scripts/check-format.sh --fix formats them):"
  echo "$bad"
  exit 1
fi
echo "Formatting: every file as .clang-format says."
