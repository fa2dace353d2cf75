#!/usr/bin/env bash
# The main job on the bundled examples: installs dependencies, builds the three programs
# (build/default/bin/sheaver, build/default/bin/Gridmend, build/default/cli/sheaver-cli), copies
# examples/ to a fresh temporary directory, files the timesheets and the expense claims there
# with their settings files, and prints the data files written (and whether they are the ones
# examples/expected/ says a first run must write). The repository itself is left untouched.
# Set SHEAVER_SKIP_DEPS=1 to skip the dependency check.
set -euo pipefail
cd "$(dirname "$0")/.."
root=$PWD

[[ "${SHEAVER_SKIP_DEPS:-0}" == 1 ]] || scripts/install-deps.sh
cmake --preset default >/dev/null
cmake --build --preset default -j "$(nproc)" >/dev/null
cli=$root/build/default/cli/sheaver-cli

work=$(mktemp -d)
trap 'rm -rf "$work"' EXIT
cp -r examples/. "$work"
cd "$work"
export SHEAVER_LOCALE=${SHEAVER_LOCALE:-en_GB}  # day-first dates, as in examples/expected

status=0
for run in Example:Timesheets.csv:processed Expenses:Expenses.csv:processed-claims; do
  IFS=: read -r settings data out <<<"$run"
  mkdir -p "$out"  # the run moves each filed form here; it does not create the directory
  echo "== sheaver-cli --open Settings/$settings.set"
  "$cli" --open "Settings/$settings.set" || status=1
  echo "== $data"
  cat "$data"
  if cmp -s "$data" "expected/$data"; then
    echo "== $data is byte for byte examples/expected/$data"
  else
    echo "== $data differs from examples/expected/$data:" >&2
    diff <(cat -A "expected/$data") <(cat -A "$data") >&2 || true
    status=1
  fi
  echo
done
echo "The programs: $root/build/default/bin/sheaver (the window), $root/build/default/bin/Gridmend"
echo "(the form type editor) and $root/build/default/cli/sheaver-cli (the command-line tool)."
exit $status
