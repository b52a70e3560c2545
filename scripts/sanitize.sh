#!/usr/bin/env bash
# Builds the test suites, the tool and the daemon with AddressSanitizer and UBSan (clang, in
# build-sanitize, the fuzz targets' build) and runs every test. The tool's and daemon's child
# processes carry the sanitizers too; every report, of any process, goes to
# build-sanitize/sanitizer-reports/ and fails the run.
set -euo pipefail
cd "$(dirname "$0")/.."
source scripts/sanitize-build.sh

reports=$PWD/build-sanitize/sanitizer-reports
rm -rf "$reports"
mkdir -p "$reports"
export ASAN_OPTIONS="log_path=$reports/asan:detect_leaks=1:strict_string_checks=1"
export UBSAN_OPTIONS="log_path=$reports/ubsan:print_stacktrace=1:halt_on_error=1"
status=0
(cd build-sanitize && ctest --output-on-failure -j2) || status=$?
if compgen -G "$reports/*" >/dev/null; then
  echo "Sanitizer reports:" >&2
  head -n 40 "$reports"/* >&2
  status=1
fi
exit $status
