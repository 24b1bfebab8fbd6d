#!/usr/bin/env bash
# Installs every Debian package the project needs to build, run and test,
# and any further packages named as arguments (the fuzz, soak, benchmark and
# package scripts name theirs). Runs apt-get only when something is missing.
set -euo pipefail

packages=(
  cmake g++ make pkg-config
  qt6-base-dev qt6-base-dev-tools qt6-serialport-dev qt6-qpa-plugins libgl-dev rapidjson-dev
  xvfb xauth fonts-dejavu-core
  "$@"
)

missing=()
for p in "${packages[@]}"; do
  if ! dpkg-query -W -f='${Status}' "$p" 2>/dev/null | grep -q 'install ok installed'; then
    missing+=("$p")
  fi
done

if [ ${#missing[@]} -gt 0 ]; then
  echo "Installing: ${missing[*]}"
  export DEBIAN_FRONTEND=noninteractive
  apt-get update
  apt-get install -y --no-install-recommends "${missing[@]}"
fi
