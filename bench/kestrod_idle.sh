#!/usr/bin/env bash
# The daemon's idle cost: sets up a fresh demo installation (the sample lineup imported, nothing
# to record), runs kestrod on it for a while and reads its CPU time and memory from /proc.
# Usage: bench/kestrod_idle.sh [BUILD_DIR] [SECONDS]   (default: build-bench, 60)
set -euo pipefail
cd "$(dirname "$0")/.."
build=${1:-build-bench}
seconds=${2:-60}
[ -x "$build/kestrod" ] || bash scripts/prepare.sh "$build" -DCMAKE_BUILD_TYPE=Release \
  -DKESTRO_BUILD_TESTS=OFF

source bench/kestrod_root.sh "$build"
import_lineup Sample --set exe="$PWD/data/grab-sample.sh" --set grabber=tv_grab_sample \
  --set days=2 >/dev/null
start_kestrod
sleep 5  # start-up is not idle time

# Nanoseconds on a CPU over all of its threads (the scheduler's own count, finer than ticks).
cpu_ns() { cat /proc/"$daemon"/task/*/schedstat | awk '{ns += $1} END {printf "%d", ns}'; }
before=$(cpu_ns)
sleep "$seconds"
after=$(cpu_ns)
rss=$(awk '/^VmRSS/ {print $2}' "/proc/$daemon/status")
hwm=$(awk '/^VmHWM/ {print $2}' "/proc/$daemon/status")
threads=$(awk '/^Threads/ {print $2}' "/proc/$daemon/status")
awk -v ns=$((after - before)) -v s="$seconds" -v rss="$rss" -v hwm="$hwm" \
  -v threads="$threads" 'BEGIN {
    printf "kestrod idle for %d s: CPU %.4f%% (%.1f ms), RSS %.1f MB (peak %.1f MB), %d threads\n",
      s, 100 * ns / 1e9 / s, ns / 1e6, rss / 1024, hwm / 1024, threads }'
