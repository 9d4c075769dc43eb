#!/usr/bin/env bash
# Installs the Debian packages the project builds, tests and runs with. Run as root.
set -euo pipefail
packages=(
  build-essential cmake pkg-config git clang
  libgtest-dev libgmock-dev libbenchmark-dev
  zlib1g-dev libbz2-dev libicu-dev libcrypto++-dev libsqlite3-dev
  qt6-base-dev libgl1-mesa-dev xvfb xauth
)
missing=()
for p in "${packages[@]}"; do
  dpkg-query -W -f='${Status}' "$p" 2>/dev/null | grep -q 'install ok installed' || missing+=("$p")
done
if [ ${#missing[@]} -gt 0 ]; then
  export DEBIAN_FRONTEND=noninteractive
  apt-get update -qq
  apt-get install -y -qq --no-install-recommends "${missing[@]}"
fi
