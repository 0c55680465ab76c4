#!/usr/bin/env bash
# Installs what building and testing need on Debian 12, when it is missing.
# Usage: scripts/deps.sh [native|windows|wine|fuzz|package]...   (no argument: everything)
set -euo pipefail

want=("$@")
[ ${#want[@]} -gt 0 ] || want=(native windows wine fuzz package)

packages=()
for w in "${want[@]}"; do
  case "$w" in
    native)  packages+=(cmake ninja-build g++ libgtest-dev clang-format) ;;
    windows) packages+=(cmake ninja-build g++-mingw-w64-x86-64-posix binutils-mingw-w64-x86-64 googletest) ;;
    wine)    packages+=(wine wine64 xvfb xauth x11-utils x11-xserver-utils fonts-liberation imagemagick xclip xdotool procps) ;;
    fuzz)    packages+=(cmake ninja-build clang libclang-rt-14-dev) ;;
    package) packages+=(nsis zip) ;;
    *) echo "deps.sh: unknown group '$w'" >&2; exit 2 ;;
  esac
done

missing=()
for p in "${packages[@]}"; do
  dpkg-query -W -f='${Status}' "$p" 2>/dev/null | grep -q "install ok installed" || missing+=("$p")
done
[ ${#missing[@]} -eq 0 ] && exit 0

echo "Installing: ${missing[*]}"
sudo=""
[ "$(id -u)" -eq 0 ] || sudo="sudo"
export DEBIAN_FRONTEND=noninteractive
$sudo apt-get update -qq
$sudo apt-get install -y -qq "${missing[@]}" >/dev/null
