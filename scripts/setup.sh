#!/usr/bin/env bash
# Installs what the build needs from Debian 12's packages, only when something is missing.
set -euo pipefail

packages=(build-essential cmake ninja-build pkg-config clang libclang-rt-14-dev clang-format
          libgtest-dev libgmock-dev googletest libbenchmark-dev nlohmann-json3-dev libcli11-dev
          qt6-base-dev qt6-base-dev-tools libgl-dev libxlsxwriter-dev
          xvfb xauth fonts-dejavu-core unzip python3-jsonschema python3-vtk9
          help2man desktop-file-utils)

missing=()
for p in "${packages[@]}"; do
    if ! dpkg-query -W -f='${Status}' "$p" 2>/dev/null | grep -q 'install ok installed'; then
        missing+=("$p")
    fi
done

if [ ${#missing[@]} -gt 0 ]; then
    echo "Installing: ${missing[*]}"
    SUDO=""
    if [ "$(id -u)" -ne 0 ]; then SUDO="sudo"; fi
    export DEBIAN_FRONTEND=noninteractive
    $SUDO apt-get update
    $SUDO apt-get install -y --no-install-recommends "${missing[@]}"
fi
