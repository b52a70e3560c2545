#!/usr/bin/env bash
# Builds KestroTV with its test suites and runs every test, the web guide's in headless Chromium
# among them (installed when missing). The same suites under AddressSanitizer and UBSan run with
# scripts/sanitize.sh, the fuzz targets with scripts/fuzz.sh.
set -euo pipefail
cd "$(dirname "$0")/.."
KESTRO_BROWSER_TESTS=1 bash scripts/prepare.sh build-test -DCMAKE_BUILD_TYPE=RelWithDebInfo -DKESTRO_BUILD_TESTS=ON
(cd build-test && ctest --output-on-failure -j2)
