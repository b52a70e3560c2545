#!/usr/bin/env bash
# Installs the Debian packages the build needs when any is missing, then configures and builds.
# Usage: scripts/prepare.sh BUILD_DIR [extra cmake arguments...]
# With KESTRO_BROWSER_TESTS=1 it also installs Chromium, its driver and Selenium for the web
# guide's browser tests. KESTRO_EXTRA_PACKAGES names further packages; KESTRO_TARGETS the targets
# to build (default all).
set -euo pipefail

packages=(g++ cmake ninja-build pkg-config libsqlite3-dev libpugixml-dev libexpat1-dev libssl-dev
          libcurl4-openssl-dev libminizip-dev zlib1g-dev tzdata libgtest-dev libgmock-dev nlohmann-json3-dev libcpp-httplib-dev
          ${KESTRO_EXTRA_PACKAGES:-})
if [ "${KESTRO_BROWSER_TESTS:-0}" = 1 ]; then
  packages+=(chromium chromium-driver python3-selenium)
fi

missing=()
for p in "${packages[@]}"; do
  if ! dpkg-query -W -f='${Status}' "$p" 2>/dev/null | grep -q "install ok installed"; then
    missing+=("$p")
  fi
done
if [ ${#missing[@]} -gt 0 ]; then
  echo "Installing missing packages: ${missing[*]}"
  sudo_cmd=()
  [ "$(id -u)" -eq 0 ] || sudo_cmd=(sudo)
  "${sudo_cmd[@]}" apt-get update -qq
  DEBIAN_FRONTEND=noninteractive "${sudo_cmd[@]}" apt-get install -y -qq "${missing[@]}"
fi

build_dir=$1
shift
cmake -S . -B "$build_dir" -G Ninja "$@" >/dev/null
ninja -C "$build_dir" -j "$(nproc)" ${KESTRO_TARGETS:-}
