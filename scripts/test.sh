#!/usr/bin/env bash
# Builds KestroTV with its test suites and runs every test, the web guide's in headless Chromium
# among them (installed when missing); then the same suites built with clang, AddressSanitizer
# and UBSan (scripts/sanitize.sh: a report of any process, children included, fails the run),
# and each fuzz target for 20 seconds on its seeds (scripts/fuzz.sh --smoke), both in
# build-sanitize. Each part prints how long it took.
set -euo pipefail
cd "$(dirname "$0")/.."
begin=$SECONDS
step() {
  local start=$SECONDS
  "$@"
  echo "== $* : $((SECONDS - start)) s (total $((SECONDS - begin)) s)"
}
plain() {
  # Optimised as shipped, without debug information: it would make the build a third slower.
  KESTRO_BROWSER_TESTS=1 bash scripts/prepare.sh build-test -DCMAKE_BUILD_TYPE=Release \
    "-DCMAKE_CXX_FLAGS_RELEASE=-O2 -DNDEBUG" "-DCMAKE_C_FLAGS_RELEASE=-O2 -DNDEBUG" \
    -DKESTRO_BUILD_TESTS=ON
  (cd build-test && ctest --output-on-failure -j2)
}
step plain
step bash scripts/sanitize.sh
step bash scripts/fuzz.sh --smoke
