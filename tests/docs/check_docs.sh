#!/usr/bin/env bash
# The files a desktop and a package read besides the programs: the man pages (rendered with every
# warning counted as an error), the desktop entries, the AppStream metainfo, the MIME types and the
# shell completion. A checker that is not installed is said and passed over.
set -uo pipefail
src=$(cd "$1" && pwd)
status=0
fail() { echo "FAIL: $*"; status=1; }

for page in "$src"/docs/man/*.1; do
  warnings=$(LC_ALL=C.UTF-8 MANWIDTH=80 man --warnings=w -E UTF-8 -l -Tutf8 -Z "$page" 2>&1 >/dev/null)
  [[ -z $warnings ]] || fail "$page: $warnings"
done

work=$(mktemp -d)
trap 'rm -rf "$work"' EXIT
if command -v desktop-file-validate >/dev/null; then
  sed 's|@SHEAVER_PROGRAM@|/usr/bin/sheaver|' "$src/examples/sheaver.desktop.in" >"$work/sheaver.desktop"
  sed 's|@GRIDMEND_PROGRAM@|/usr/bin/Gridmend|' "$src/examples/gridmend.desktop.in" >"$work/gridmend.desktop"
  for entry in "$work"/*.desktop; do
    out=$(desktop-file-validate "$entry" 2>&1) || fail "$entry: $out"
    [[ -z $out ]] || fail "$(basename "$entry"): $out"
  done
else
  echo "desktop-file-validate not installed: desktop entries not checked"
fi
if command -v appstreamcli >/dev/null; then
  out=$(appstreamcli validate --no-net --pedantic "$src"/examples/desktop/*.metainfo.xml 2>&1) ||
    fail "metainfo: $out"
else
  echo "appstreamcli not installed: metainfo not checked"
fi
/usr/bin/python3 -c 'import sys, xml.etree.ElementTree as t; t.parse(sys.argv[1])' \
  "$src/examples/desktop/sheaver-mime.xml" || fail "sheaver-mime.xml is not well-formed"

# The completion offers the options that begin with what is typed, and folders after --in.
mkdir -p "$work/forms"
got=$(cd "$work" && bash -c 'source "$1"; COMP_WORDS=(sheaver-cli --re); COMP_CWORD=1; _sheaver_cli
  echo "${COMPREPLY[*]}"; COMP_WORDS=(sheaver-cli --in fo); COMP_CWORD=2; _sheaver_cli
  echo "${COMPREPLY[*]}"' _ "$src/examples/completion/sheaver-cli")
[[ $got == $'--reject --report --refile\nforms' ]] || fail "completion gave: $got"

# Every long option the tool's --help names is in its man page and its completion.
if [[ -n ${2:-} ]]; then
  options=$("$2" --help | grep -o -- '--[a-z][a-z-]*' | sort -u)
  [[ -n $options ]] || fail "$2 --help names no options"
  for option in $options; do
    grep -q -- "${option//-/\\\\-}" "$src/docs/man/sheaver-cli.1" ||
      fail "sheaver-cli.1 does not document $option"
    grep -qw -- "$option" "$src/examples/completion/sheaver-cli" ||
      fail "the completion does not offer $option"
  done
fi
exit $status
