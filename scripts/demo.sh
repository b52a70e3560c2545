#!/usr/bin/env bash
# Builds KestroTV, sets up a fresh module folder under build/demo, adds an XMLTV lineup whose
# grabber is data/grab-sample.sh (sample listings moved to today), imports it and shows what is on
# now. Every run starts from an empty build/demo, so it can be run again and again.
set -euo pipefail
cd "$(dirname "$0")/.."
bash scripts/prepare.sh build -DCMAKE_BUILD_TYPE=Release -DKESTRO_BUILD_TESTS=OFF

demo=$PWD/build/demo
rm -rf "$demo"
mkdir -p "$demo"
kestro() { "${KESTRO_DEMO_BUILD:-./build}"/kestro --registry "$demo/registry.reg" "$@"; }

kestro setup --root "$demo/root"
kestro info
kestro lineup add --name Sample --plugin xmltv \
  --set exe="$PWD/data/grab-sample.sh" --set grabber=tv_grab_sample --set days=2
kestro import 1
kestro guide 1
