# Sourced by the benchmarks that run kestrod: a fresh installation in a temporary folder, removed
# on exit together with the daemon when one was started.
#   source bench/kestrod_root.sh BUILD_DIR
#   kestro ARGS...             BUILD_DIR's kestro on that installation (set up already)
#   import_lineup NAME ARGS... adds lineup 1 of the xmltv plug-in (ARGS: its --set options) and
#                              imports it
#   start_kestrod [web]        starts kestrod in the background ($daemon); with "web", its web
#                              guide on a free loopback port, whose address is then $web_address
build=$(cd "${1:?usage: source kestrod_root.sh BUILD_DIR}" && pwd)
work=$(mktemp -d)
daemon=
cleanup() {
  [ -n "$daemon" ] && kill "$daemon" 2>/dev/null && wait "$daemon" 2>/dev/null
  rm -rf "$work"
}
trap cleanup EXIT
export KESTRO_REGISTRY=$work/registry.reg XDG_DATA_HOME=$work/xdg XDG_RUNTIME_DIR=$work
kestro() { "$build/kestro" "$@"; }
kestro setup --root "$work/root" >/dev/null

import_lineup() {
  kestro lineup add --name "$1" --plugin xmltv "${@:2}" >/dev/null
  kestro import 1 --quiet
}

start_kestrod() {
  local web=${1:-}
  [ -z "$web" ] ||
    printf '\n[HKEY_LOCAL_MACHINE\\Software\\Lumavo\\Host]\n"web-address"="127.0.0.1:0"\n' \
      >>"$KESTRO_REGISTRY"
  "$build/kestrod" >/dev/null 2>&1 &
  daemon=$!
  [ -n "$web" ] || return 0
  web_address=
  for _ in $(seq 100); do
    web_address=$(grep -o 'Web guide at http://[^ ]*' "$work/root/logs/kestrod.log" 2>/dev/null |
                  cut -d' ' -f4 || true)
    [ -n "$web_address" ] && return 0
    sleep 0.2
  done
  echo "kestrod did not start its web guide" >&2
  exit 1
}
