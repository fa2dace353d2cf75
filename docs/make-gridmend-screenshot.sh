#!/usr/bin/env bash
# Takes docs/gridmend.png: Gridmend on the example timesheet form type, with the example
# timesheet as its sample form and the Hours field current, under Xvfb with the xcb platform (a
# real X server, the desktop's fonts and style), from a scratch copy of examples/ so that the
# checkout stays as it is. Needs a default build and xvfb-run.
set -euo pipefail
cd "$(dirname "$0")/.."
root=$PWD
shooter=$root/build/default/tests/gridmend/gridmend_screenshot
[[ -x $shooter ]] || { echo "build first: cmake --build --preset default" >&2; exit 1; }

scratch=$(mktemp -d)
trap 'rm -rf "$scratch"' EXIT
cp -r examples/FormTypes examples/forms "$scratch/"
cd "$scratch"
xvfb-run -a -s "-screen 0 1280x900x24" env QT_QPA_PLATFORM=xcb SHEAVER_LOCALE=en_GB \
  "$shooter" "$root/docs/gridmend.png" FormTypes/Timesheet.dat \
  "forms/Timesheet 2024-01-01 042.xls" --size=1100x680 --row=2
echo "wrote docs/gridmend.png"
