#!/usr/bin/env bash
# Installs what building and testing Sheaver needs on Debian 12. Idempotent: packages already
# present are left alone, and apt-get runs only when something is missing.
set -euo pipefail

packages=(
  build-essential cmake ninja-build pkg-config git clang-format
  googletest libgtest-dev libgmock-dev
  qt6-base-dev qt6-base-dev-tools libgl-dev
  libzip-dev libexpat1-dev libpugixml-dev zlib1g-dev
  libsqlite3-dev libssl-dev nlohmann-json3-dev sqlite3
  python3 python3-xlrd python3-openpyxl strace
  man-db groff-base desktop-file-utils appstream
  libreoffice-calc-nogui
  debhelper dpkg-dev lintian fakeroot
)

missing=()
for p in "${packages[@]}"; do
  dpkg-query -W -f='${Status}' "$p" 2>/dev/null | grep -q "install ok installed" || missing+=("$p")
done

if ((${#missing[@]})); then
  echo "Installing: ${missing[*]}"
  sudo_cmd=()
  if [[ $(id -u) -ne 0 ]]; then
    if ! command -v sudo >/dev/null; then
      echo "install-deps.sh: run as root, or install sudo, to install: ${missing[*]}" >&2
      exit 1
    fi
    sudo_cmd=(sudo)
  fi
  export DEBIAN_FRONTEND=noninteractive
  "${sudo_cmd[@]}" apt-get update -qq
  "${sudo_cmd[@]}" env DEBIAN_FRONTEND=noninteractive \
    apt-get install -y -qq --no-install-recommends "${missing[@]}"
fi
