#!/usr/bin/env bash
# Builds KestroTV, sets up a fresh module folder under build/demo, adds an XMLTV lineup whose
# grabber is data/grab-sample.sh (sample listings moved to today), imports it and shows what is on
# now. Every run starts from an empty build/demo, so it can be run again and again.
set -euo pipefail
cd "$(dirname "$0")/.."
bash scripts/prepare.sh build -DCMAKE_BUILD_TYPE=Release -DKESTRO_BUILD_TESTS=OFF

demo=$PWD/build/demo
# A daemon of an earlier run holds the old folder: stop it first.
if pid=$(cat "$demo/root/kestrod.lock" 2>/dev/null) && [ -n "$pid" ] && kill -0 "$pid" 2>/dev/null; then
  kill "$pid"
  while kill -0 "$pid" 2>/dev/null; do sleep 0.2; done
fi
rm -rf "$demo"
mkdir -p "$demo"
kestro() { "${KESTRO_DEMO_BUILD:-./build}"/kestro --registry "$demo/registry.reg" "$@"; }

kestro setup --root "$demo/root"
kestro info
kestro lineup add --name Sample --plugin xmltv \
  --set exe="$PWD/data/grab-sample.sh" --set grabber=tv_grab_sample --set days=2
kestro import 1
kestro guide 1

# kestrod records and serves the web guide; it runs on in the background.
"${KESTRO_DEMO_BUILD:-./build}"/kestrod --registry "$demo/registry.reg" >"$demo/kestrod.out" 2>&1 &
for _ in $(seq 50); do
  address=$(grep -o 'Web guide at http://[^ ]*' "$demo/root/logs/kestrod.log" 2>/dev/null | cut -d' ' -f4 || true)
  [ -n "$address" ] && break
  sleep 0.2
done
if [ -n "${address:-}" ]; then
  echo
  echo "The web guide: $address  (kestrod runs as process $!; stop it with: kill $!)"
else
  echo "kestrod did not start its web guide; see $demo/root/logs/kestrod.log" >&2
fi
