#!/usr/bin/env bash
# Builds the libFuzzer targets of fuzz/ (in build-sanitize, see sanitize-build.sh) and runs them
# on their seeds: the XMLTV files of the shared test data, the times found in them, and the
# queries, time arguments, service records and web API queries of fuzz/seeds/.
#   scripts/fuzz.sh TARGET SECONDS   one target for that long
#   scripts/fuzz.sh --smoke          every target for 20 seconds, as the test command does
# TARGET: xmltv_import, xmltv_dates, custom_search, time_arguments, service_records or web_params. What a run finds goes to
# build-sanitize/fuzz-corpus/TARGET; an input that fails is saved as build-sanitize/fuzz-crash-*.
set -euo pipefail
cd "$(dirname "$0")/.."

all_targets=(xmltv_import xmltv_dates custom_search time_arguments service_records web_params)
case ${1:-} in
  --smoke) targets=("${all_targets[@]}"); seconds=20 ;;
  xmltv_import|xmltv_dates|custom_search|time_arguments|service_records|web_params)
    targets=("$1"); seconds=${2:?"usage: scripts/fuzz.sh TARGET SECONDS | --smoke"} ;;
  *) echo "usage: scripts/fuzz.sh TARGET SECONDS | --smoke" >&2; exit 2 ;;
esac

export KESTRO_TARGETS="${targets[*]/#/fuzz_}"
source scripts/sanitize-build.sh

testdata=${KESTRO_TESTDATA:-$PWD/../shared/testdata}
build=$PWD/build-sanitize
seeds() {
  case $1 in
    xmltv_import) echo "$testdata/xmltv" ;;
    xmltv_dates)
      # Each start, stop and date attribute of the XMLTV seeds, one file per distinct value.
      local dir=$build/fuzz-seeds/xmltv_dates
      if [ ! -d "$dir" ]; then
        mkdir -p "$dir"
        grep -rhoE '(start|stop|date)="[^"]*"' "$testdata/xmltv" | sed -E 's/^[a-z]+="(.*)"$/\1/' |
          sort -u | head -n 500 | while IFS= read -r value; do
            printf '%s\n+0100' "$value" >"$dir/$(printf '%s' "$value" | md5sum | cut -c1-16)"
          done
      fi
      echo "$dir" ;;
    *) echo "$PWD/fuzz/seeds/$1" ;;
  esac
}

# Leaks are the sanitized suites' business; here each input runs in one long process.
export ASAN_OPTIONS="detect_leaks=0"
for target in "${targets[@]}"; do
  corpus=$build/fuzz-corpus/$target
  log=$build/fuzz-$target.log
  mkdir -p "$corpus"
  status=0
  "$build/fuzz/fuzz_$target" "$corpus" "$(seeds "$target")" -max_total_time="$seconds" \
    -rss_limit_mb=1024 -max_len=65536 -artifact_prefix="$build/fuzz-crash-$target-" \
    -print_final_stats=1 >"$log" 2>&1 || status=$?
  runs=$(sed -n 's/^stat::number_of_executed_units: *//p' "$log")
  echo "fuzz_$target: ${runs:-0} inputs in $seconds s"
  if [ "$status" -ne 0 ]; then
    tail -n 60 "$log" >&2
    echo "fuzz_$target failed (log: $log)" >&2
    exit 1
  fi
done
