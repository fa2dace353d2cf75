#!/usr/bin/env bash
# Takes docs/main-window.png: the main window after a run on the example timesheets, under Xvfb
# (see docs/screenshot.sh). Needs a default build and xvfb-run.
set -euo pipefail
cd "$(dirname "$0")/.."
source docs/screenshot.sh gui/gui_screenshot
in_scratch_copy FormTypes Settings forms
mkdir processed  # the run moves each filed form here
shoot main-window.png 1024x768 --size=760x470 /open Settings/Example.set /autorun
