#!/usr/bin/env bash
# Builds the benchmarks (Release) and runs each one; the figures go to standard output.
# Usage: scripts/bench.sh [benchmark-name...]   (default: every benchmark)
set -euo pipefail
cd "$(dirname "$0")/.."
if ! dpkg-query -W -f='${Status}' libbenchmark-dev 2>/dev/null | grep -q "install ok installed"; then
  sudo_cmd=()
  [ "$(id -u)" -eq 0 ] || sudo_cmd=(sudo)
  "${sudo_cmd[@]}" apt-get update -qq
  DEBIAN_FRONTEND=noninteractive "${sudo_cmd[@]}" apt-get install -y -qq libbenchmark-dev
fi
bash scripts/prepare.sh build-bench -DCMAKE_BUILD_TYPE=Release -DKESTRO_BUILD_TESTS=OFF \
  -DKESTRO_BUILD_BENCH=ON
benches=("$@")
[ ${#benches[@]} -gt 0 ] || benches=(listings_bench scheduler_bench rules_bench import_bench timer_lateness_bench
  http_recording_bench)
for b in "${benches[@]}"; do
  echo "== $b"
  "build-bench/bench/$b"
done
