#!/usr/bin/env bash
# Takes docs/gridmend.png: Gridmend on the example timesheet form type, with the example
# timesheet as its sample form and the Hours field current, under Xvfb (see docs/screenshot.sh).
# Needs a default build and xvfb-run.
set -euo pipefail
cd "$(dirname "$0")/.."
source docs/screenshot.sh gridmend/gridmend_screenshot
in_scratch_copy FormTypes forms
shoot gridmend.png 1280x900 FormTypes/Timesheet.dat "forms/Timesheet 2024-01-01 042.xls" \
  --size=1100x680 --row=2
