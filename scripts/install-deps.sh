#!/usr/bin/env bash
# Installs every Debian package that building, testing and running KezConverter needs.
# Idempotent and quiet when everything is already there. Run as root (or through sudo).
set -euo pipefail

# What building the program and its Debian package needs, beyond the build-essential packages that
# every Debian build has: debian/control's Build-Depends are this list (debhelper there as
# debhelper-compat), which the install stage holds them to. `install-deps.sh --build-depends`
# prints it.
build=(
  debhelper cmake ninja-build pkg-config
  qt6-base-dev qt6-base-dev-tools libgl-dev
  libfontconfig-dev libfreetype-dev
  librsvg2-bin
)
# The build-essential ones, and what the tests, the Windows stage and the install stage need.
others=(
  g++ make dpkg-dev
  libgtest-dev googletest
  clang libclang-rt-14-dev
  xvfb xauth x11-utils openbox xdotool fonts-dejavu-core fonts-liberation2 python3-fonttools python3-pil qt6-translations-l10n
  g++-mingw-w64-x86-64 mingw-w64-tools wine64 wine
  desktop-file-utils appstream xdg-utils libfile-mimeinfo-perl shared-mime-info lintian groff-base
)
if [ "${1:-}" = --build-depends ]; then
  printf '%s\n' "${build[@]}"
  exit 0
fi
packages=("${build[@]}" "${others[@]}")

missing=()
for p in "${packages[@]}"; do
  dpkg-query -W -f='${Status}' "$p" 2>/dev/null | grep -q 'install ok installed' || missing+=("$p")
done
[ ${#missing[@]} -eq 0 ] && exit 0

sudo=""
if [ "$(id -u)" -ne 0 ]; then
  command -v sudo >/dev/null || { echo "install-deps: need root to install: ${missing[*]}" >&2; exit 1; }
  sudo=sudo
fi
echo "install-deps: installing ${missing[*]}"
export DEBIAN_FRONTEND=noninteractive
$sudo apt-get update -qq
$sudo apt-get install -y -qq --no-install-recommends "${missing[@]}" >/dev/null
