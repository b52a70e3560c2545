#!/usr/bin/env bash
# Builds KestroTV with its test suites and runs every test, the web guide's in headless Chromium
# among them (installed when missing); then the same suites with AddressSanitizer and UBSan, and
# each fuzz target for 20 seconds on its seeds.
set -euo pipefail
cd "$(dirname "$0")/.."
KESTRO_BROWSER_TESTS=1 bash scripts/prepare.sh build-test -DCMAKE_BUILD_TYPE=RelWithDebInfo -DKESTRO_BUILD_TESTS=ON
(cd build-test && ctest --output-on-failure -j2)
bash scripts/sanitize.sh
bash scripts/fuzz.sh --smoke
