#!/usr/bin/env bash
# Installs every package the build, the tests and the fixtures need. Safe to run again:
# it only calls apt-get when something is missing.
set -euo pipefail

packages=(
  build-essential cmake ninja-build pkg-config time
  libavformat-dev libavcodec-dev libavutil-dev libswscale-dev libswresample-dev ffmpeg
  libgif-dev libjpeg62-turbo-dev zlib1g-dev libmp3lame-dev
  libfreetype-dev libfontconfig-dev fonts-dejavu-core fonts-wqy-microhei
  libcli11-dev libgtest-dev libgmock-dev libbenchmark-dev
  qt6-base-dev xvfb xauth xdotool
  clang libclang-rt-14-dev
  chromium
)
# Node.js for the player tests; the machine's own when it has one.
if ! command -v npm >/dev/null 2>&1; then
  packages+=(nodejs npm)
fi

missing=()
for package in "${packages[@]}"; do
  if ! dpkg-query -W -f='${Status}' "$package" 2>/dev/null | grep -q 'install ok installed'; then
    missing+=("$package")
  fi
done

if [ ${#missing[@]} -gt 0 ]; then
  if [ "$(id -u)" -ne 0 ]; then
    sudo=sudo
  else
    sudo=
  fi
  echo "Installing: ${missing[*]}"
  export DEBIAN_FRONTEND=noninteractive
  $sudo apt-get update -qq
  $sudo apt-get install -y -qq --no-install-recommends "${missing[@]}"
fi

# The player tests' npm packages (Ruffle's web build, playwright-core), at the versions of
# the lock file; installed again only when the lock file changes.
player="$(dirname "$0")/../tests/player"
stamp="$player/node_modules/.lock-installed"
if ! [ -f "$stamp" ] || ! cmp -s "$player/package-lock.json" "$stamp"; then
  echo "Installing the player tests' npm packages"
  npm ci --prefix "$player" --no-audit --no-fund --loglevel=error
  cp "$player/package-lock.json" "$stamp"
fi
