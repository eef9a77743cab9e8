#!/usr/bin/env bash
# Installs what Caelvane needs to build, test and run on Debian 12.
set -euo pipefail
packages=(
  build-essential cmake git pkg-config ccache
  qt6-base-dev qt6-svg-dev libgl-dev zlib1g-dev
  libgtest-dev libgmock-dev libbenchmark-dev
  clang libclang-rt-14-dev clang-format
  fonts-liberation fontconfig tzdata
  xvfb xauth poppler-utils imagemagick librsvg2-bin
  libswe-dev swe-basic-data python3-icalendar libdeflate-dev libfontconfig-dev libfreetype-dev
  qpdf
  nlohmann-json3-dev libhowardhinnant-date-dev libgeonames-dev
)
missing=()
for p in "${packages[@]}"; do
  dpkg-query -W -f='${Status}' "$p" 2>/dev/null | grep -q "install ok installed" || missing+=("$p")
done
if [ ${#missing[@]} -gt 0 ]; then
  SUDO=""
  [ "$(id -u)" -eq 0 ] || SUDO="sudo"
  $SUDO apt-get update -qq
  DEBIAN_FRONTEND=noninteractive $SUDO apt-get install -y -qq --no-install-recommends "${missing[@]}"
fi
