#!/usr/bin/env bash
# Builds KestroTV, registers the module in the user's registry file and shows what a host sees.
set -euo pipefail
cd "$(dirname "$0")/.."
bash scripts/prepare.sh build -DCMAKE_BUILD_TYPE=Release -DKESTRO_BUILD_TESTS=OFF
./build/kestro setup
./build/kestro info
