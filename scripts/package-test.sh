#!/usr/bin/env bash
# Builds the Debian package from the tracked files, checks it with lintian (no errors, no
# warnings), installs it into a throwaway root (an overlay of this machine's own file system,
# thrown away afterwards, so the host is left as it was) and runs the installed programs once
# there, with nothing from the source or build tree.
# Usage: scripts/package-test.sh        (as root, on Debian 12; takes several minutes)
set -euo pipefail
cd "$(dirname "$0")/.."
work=$(mktemp -d)
cleanup() { umount -R "$work/root" 2>/dev/null || true; rm -rf "$work"; }
trap cleanup EXIT

echo "== building the package"
mkdir "$work/src"
git ls-files -z | xargs -0 tar cf - | tar xf - -C "$work/src"
(cd "$work/src" && dpkg-buildpackage -us -uc -b >"$work/build.log" 2>&1) ||
  { tail -40 "$work/build.log"; exit 1; }
deb=$(ls "$work"/sheaver_*.deb)
echo "built $(basename "$deb")"
rm -rf "$work/src"

echo "== lintian"
lintian --fail-on error,warning --tag-display-limit 0 "$deb"

echo "== installed into a throwaway root"
mkdir -p "$work/upper" "$work/overlay-work" "$work/root"
cp "$deb" "$work/upper/sheaver.deb"
cat >"$work/upper/try.sh" <<'TRY'
set -euo pipefail
export LC_ALL=C.UTF-8 SHEAVER_LOCALE=en_GB HOME=/tmp/home QT_QPA_PLATFORM=offscreen
mkdir -p "$HOME"
dpkg -i /sheaver.deb >/dev/null
for program in sheaver sheaver-cli Gridmend; do
  "$(command -v $program)" --version | head -1
  man -l --warnings -Tutf8 -Z "/usr/share/man/man1/$program.1.gz" >/dev/null
done
test -f /etc/sheaver/App.def
test -f /usr/share/sheaver/Help/index.html
desktop-file-validate /usr/share/applications/*.desktop
appstreamcli validate --no-net /usr/share/metainfo/*.xml >/dev/null
sheaver-cli --copy-examples ~/try >/dev/null
cd ~/try
sheaver-cli --open Settings/Example.set --quiet
cmp Timesheets.csv expected/Timesheets.csv
sheaver /open Settings/Expenses.set /autorun 2>/dev/null
cmp Expenses.csv expected/Expenses.csv
echo "the installed programs filed the examples as expected"
TRY
unshare --mount --fork bash -c "
  mount -t overlay overlay -o lowerdir=/,upperdir=$work/upper,workdir=$work/overlay-work $work/root
  for d in proc dev sys; do mount --rbind /\$d $work/root/\$d; done
  chroot $work/root bash /try.sh"
