#!/usr/bin/env bash
# Installs the Debian packages the project needs to build, test and run, when they are missing.
set -euo pipefail

packages=(
  build-essential cmake ninja-build pkg-config
  qt6-base-dev libgl-dev
  libbotan-2-dev libssl-dev
  libgtest-dev libgmock-dev libbenchmark-dev
  python3 python3-pyftpdlib python3-openssl vsftpd openssl
  fonts-dejavu-core tzdata
  clang-format
  desktop-file-utils appstream groff-base dpkg-dev file
)

missing=()
for p in "${packages[@]}"; do
  if ! dpkg-query -W -f='${Status}' "$p" 2>/dev/null | grep -q "install ok installed"; then
    missing+=("$p")
  fi
done

if [ ${#missing[@]} -eq 0 ]; then
  exit 0
fi

echo "Installing: ${missing[*]}"
SUDO=""
if [ "$(id -u)" -ne 0 ]; then SUDO="sudo"; fi
export DEBIAN_FRONTEND=noninteractive
$SUDO apt-get update -qq
$SUDO apt-get install -y -qq --no-install-recommends "${missing[@]}"
