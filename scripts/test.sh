#!/usr/bin/env bash
# Builds KestroTV with its test suites and runs every test.
set -euo pipefail
cd "$(dirname "$0")/.."
bash scripts/prepare.sh build-test -DCMAKE_BUILD_TYPE=RelWithDebInfo -DKESTRO_BUILD_TESTS=ON
cd build-test
ctest --output-on-failure -j2
