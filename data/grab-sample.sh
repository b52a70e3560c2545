#!/bin/sh
# A sample XMLTV grabber for trying the XMLTV plug-in without a listings source.
#
#   grab-sample.sh [ANY...] [--days N] --output FILE
#
# Writes listings that start today (00:00 UTC) into FILE. When the developer tool
# xmltv_generator is found ($KESTRO_XMLTV_GENERATOR, or build/tools/xmltv_generator of this
# checkout), it makes N days (default 2) of fresh listings for ten channels; otherwise the
# shipped sample.xml beside this script is copied with its programme dates moved to today.
# Other arguments (a grabber name, further parameters) are accepted and ignored.
set -eu

here=$(cd "$(dirname "$0")" && pwd)
days=2
output=
while [ $# -gt 0 ]; do
  case $1 in
    --days) days=${2:?--days needs a number}; shift 2 ;;
    --days=*) days=${1#--days=}; shift ;;
    --output) output=${2:?--output needs a file}; shift 2 ;;
    --output=*) output=${1#--output=}; shift ;;
    *) shift ;;
  esac
done
if [ -z "$output" ]; then
  echo "grab-sample.sh: --output FILE is required" >&2
  exit 2
fi
case $days in
  ''|*[!0-9]*|0) days=2 ;;
esac

generator=${KESTRO_XMLTV_GENERATOR:-$here/../build/tools/xmltv_generator}
if [ -x "$generator" ]; then
  echo "Generating $days days of listings for 10 channels"
  exec "$generator" --channels 10 --days "$days" --seed 1 --output "$output"
fi

sample=$here/sample.xml
if [ ! -r "$sample" ]; then
  echo "grab-sample.sh: $sample is missing" >&2
  exit 1
fi
echo "Copying $sample with its dates moved to today"
tmp=$output.part
# The sample starts on 2026-12-01; every start="YYYYMMDD..." and stop="YYYYMMDD..." moves by
# the whole days between that day and today (UTC).
awk -v today="$(date -u +%Y%m%d)" '
  # Days since 1970-01-01 of a YYYYMMDD text (proleptic Gregorian calendar).
  function days_of(d,    y, m, dd, era, yoe, doy, doe) {
    y = substr(d, 1, 4) + 0; m = substr(d, 5, 2) + 0; dd = substr(d, 7, 2) + 0
    if (m <= 2) y--
    era = int((y >= 0 ? y : y - 399) / 400)
    yoe = y - era * 400
    doy = int((153 * (m + (m > 2 ? -3 : 9)) + 2) / 5) + dd - 1
    doe = yoe * 365 + int(yoe / 4) - int(yoe / 100) + doy
    return era * 146097 + doe - 719468
  }
  function date_of(z,    era, doe, yoe, y, doy, mp, d, m) {
    z += 719468
    era = int((z >= 0 ? z : z - 146096) / 146097)
    doe = z - era * 146097
    yoe = int((doe - int(doe / 1460) + int(doe / 36524) - int(doe / 146096)) / 365)
    y = yoe + era * 400
    doy = doe - (365 * yoe + int(yoe / 4) - int(yoe / 100))
    mp = int((5 * doy + 2) / 153)
    d = doy - int((153 * mp + 2) / 5) + 1
    m = mp + (mp < 10 ? 3 : -9)
    if (m <= 2) y++
    return sprintf("%04d%02d%02d", y, m, d)
  }
  BEGIN { shift = days_of(today) - days_of("20261201") }
  {
    line = $0; out = ""
    while (match(line, /(start|stop)="[0-9][0-9][0-9][0-9][0-9][0-9][0-9][0-9]/)) {
      head = substr(line, RSTART, RLENGTH - 8)
      out = out substr(line, 1, RSTART - 1) head date_of(days_of(substr(line, RSTART + RLENGTH - 8, 8)) + shift)
      line = substr(line, RSTART + RLENGTH)
    }
    print out line
  }
' "$sample" > "$tmp"
mv "$tmp" "$output"
