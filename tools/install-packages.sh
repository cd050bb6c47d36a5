#!/usr/bin/env bash
# Installs the Debian packages that the builds, the tests and the run command need.
# Does nothing when they are all present, so running it again costs a second.
set -euo pipefail

packages=(
  cmake ninja-build g++ googletest libbenchmark-dev libstb-dev
  g++-mingw-w64-i686-posix binutils-mingw-w64-i686
  wine wine32:i386 xvfb xauth x11-utils xdotool imagemagick
  fonts-wine fonts-ipafont-gothic locales
  ffmpeg
  libboost-dev libmpfr-dev
)

missing=()
for p in "${packages[@]}"; do
  dpkg-query -W -f='${Status}' "$p" 2>/dev/null | grep -q "ok installed" || missing+=("$p")
done

if [ ${#missing[@]} -gt 0 ]; then
  sudo_cmd=""
  [ "$(id -u)" -eq 0 ] || sudo_cmd="sudo"
  echo "installing: ${missing[*]}"
  if ! dpkg --print-foreign-architectures | grep -qx i386; then
    $sudo_cmd dpkg --add-architecture i386
  fi
  $sudo_cmd apt-get update -qq
  DEBIAN_FRONTEND=noninteractive $sudo_cmd apt-get install -y -qq --no-install-recommends "${missing[@]}" >/dev/null
fi

# Wine needs a code page 932 locale for the Japanese texts and for Japanese file names.
if ! locale -a 2>/dev/null | grep -qi '^ja_JP\.utf-\?8$'; then
  sudo_cmd=""
  [ "$(id -u)" -eq 0 ] || sudo_cmd="sudo"
  $sudo_cmd localedef -i ja_JP -f UTF-8 ja_JP.UTF-8
fi
