#!/usr/bin/env bash
# Takes docs/main-window.png: the main window after a run on the example timesheets, under Xvfb
# with the xcb platform (a real X server, the desktop's fonts and style), from a scratch copy of
# examples/ so that the checkout stays as it is. Needs a default build and xvfb-run.
set -euo pipefail
cd "$(dirname "$0")/.."
root=$PWD
shooter=$root/build/default/tests/gui/gui_screenshot
[[ -x $shooter ]] || { echo "build first: cmake --build --preset default" >&2; exit 1; }

scratch=$(mktemp -d)
trap 'rm -rf "$scratch"' EXIT
cp -r examples/FormTypes examples/Settings examples/forms "$scratch/"
cd "$scratch"
mkdir processed  # the run moves each filed form here
export SHEAVER_LOCALE=en_GB  # day-first dates, as in examples/expected
xvfb-run -a -s "-screen 0 1024x768x24" env QT_QPA_PLATFORM=xcb \
  "$shooter" "$root/docs/main-window.png" --size=760x470 /open Settings/Example.set /autorun
echo "wrote docs/main-window.png"
