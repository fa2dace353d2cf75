# Sourced by the docs/make-*screenshot.sh scripts from the checkout's top folder, with the
# screenshot program of the default build to run (its path under build/default/tests/). The
# program runs under Xvfb with the xcb platform (a real X server, the desktop's fonts and style)
# and English day-first dates (as examples/expected has them), in a scratch copy of examples/ so
# that the checkout stays as it is.

root=$PWD
shooter=$root/build/default/tests/$1
[[ -x $shooter ]] || { echo "build first: cmake --build --preset default" >&2; exit 1; }

# in_scratch_copy FOLDER...: copies these folders of examples/ to a scratch folder, removed on
# exit, and goes there.
in_scratch_copy() {
  scratch=$(mktemp -d)
  trap 'rm -rf "$scratch"' EXIT
  local folder
  for folder in "$@"; do cp -r "examples/$folder" "$scratch/"; done
  cd "$scratch"
}

# shoot PICTURE SCREEN ARG...: runs the program on a virtual screen of SCREEN (WxH) pixels to
# write docs/PICTURE, with the ARGs after the picture's path.
shoot() {
  local picture=$1 screen=$2
  shift 2
  xvfb-run -a -s "-screen 0 ${screen}x24" env QT_QPA_PLATFORM=xcb SHEAVER_LOCALE=en_GB \
    "$shooter" "$root/docs/$picture" "$@"
  echo "wrote docs/$picture"
}
