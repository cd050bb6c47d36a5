#!/usr/bin/env bash
# Installs the Debian packages that the builds, the tests and the run command need: the
# 64-bit Windows build's compiler and Wine only on machines that take that path.
# Does nothing when they are all present, so running it again costs a second.
set -euo pipefail
cd "$(dirname "$0")/.."

packages=(
  cmake ninja-build g++ googletest libbenchmark-dev libstb-dev
  g++-mingw-w64-i686-posix binutils-mingw-w64-i686
  wine wine32:i386 xvfb xauth x11-utils xdotool imagemagick
  fonts-wine fonts-ipafont-gothic locales
  ffmpeg python3 python3-mpmath
  libboost-dev libmpfr-dev
  slurm-wlm munge
  libopenexr-dev openexr
)

sudo_cmd=""
[ "$(id -u)" -eq 0 ] || sudo_cmd="sudo"
updated=0
install() {  # packages; installs those missing
  local missing=() p
  for p in "$@"; do
    dpkg-query -W -f='${Status}' "$p" 2>/dev/null | grep -q "ok installed" || missing+=("$p")
  done
  [ ${#missing[@]} -gt 0 ] || return 0
  echo "installing: ${missing[*]}"
  if ! dpkg --print-foreign-architectures | grep -qx i386; then
    $sudo_cmd dpkg --add-architecture i386
    updated=0
  fi
  [ "$updated" = 1 ] || $sudo_cmd apt-get update -qq
  updated=1
  DEBIAN_FRONTEND=noninteractive $sudo_cmd apt-get install -y -qq --no-install-recommends "${missing[@]}" >/dev/null
}
install "${packages[@]}"

# Whether Wine's 32-bit loader starts decides whether the 64-bit path's packages are needed.
. tools/windows-build.sh
choose_windows_build
if [ "$windows_build" = 64 ]; then
  install wine64 g++-mingw-w64-x86-64-posix binutils-mingw-w64-x86-64
fi

# Wine needs a code page 932 locale for the Japanese texts and for Japanese file names.
if ! locale -a 2>/dev/null | grep -qi '^ja_JP\.utf-\?8$'; then
  sudo_cmd=""
  [ "$(id -u)" -eq 0 ] || sudo_cmd="sudo"
  $sudo_cmd localedef -i ja_JP -f UTF-8 ja_JP.UTF-8
fi
