#!/usr/bin/env bash
# Installs the Debian 12 packages the program needs to build, run and test, when missing, and
# builds it into build/. As root it installs without prompts; otherwise through sudo.
set -euo pipefail
cd "$(dirname "$0")/.."

packages=(
  build-essential cmake pkg-config
  qt6-base-dev qt6-base-dev-tools qt6-qpa-plugins libqt6svg6 libgl-dev
  qt6-charts-dev libqt6charts6 libqt6opengl6-dev
  libgtest-dev libgmock-dev
  clang libclang-rt-14-dev
  fonts-liberation fontconfig
  python3 python3-dbfread python3-dbf libdbd-xbase-perl sqlite3
  xvfb xauth poppler-utils
  dpkg-dev file lintian appstream desktop-file-utils man-db
)
missing=()
for p in "${packages[@]}"; do
  dpkg-query -W -f='${Status}' "$p" 2>/dev/null | grep -q 'install ok installed' || missing+=("$p")
done
if [ ${#missing[@]} -gt 0 ]; then
  echo "Installing: ${missing[*]}"
  sudo=()
  [ "$(id -u)" -eq 0 ] || sudo=(sudo)
  export DEBIAN_FRONTEND=noninteractive
  "${sudo[@]}" apt-get update -q
  "${sudo[@]}" apt-get install -y -q --no-install-recommends "${missing[@]}"
fi

jobs=$(nproc 2>/dev/null || echo 2)
cmake -S . -B build -DCMAKE_BUILD_TYPE=RelWithDebInfo
cmake --build build -j "$jobs"
