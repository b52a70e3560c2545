#!/usr/bin/env bash
# The web guide's speed over a large lineup: 500 channels × 1 day of generated listings,
# imported into a fresh installation and served by kestrod.
#   - the guide API for 500 channels × 3 hours from now (goal: under 50 ms), median of 10 calls
#   - the grid of those 500 channels drawn in headless Chromium, from navigation to the grid
#     being on the page (goal: under 1 s, from the Performance API), when Chromium is installed
# Both are wall-clock times: the load average printed first says how busy the machine was.
#
#   ninja -C build-dev kestro kestrod xmltv_generator && bash bench/web_guide_bench.sh build-dev
set -euo pipefail
source "$(dirname "$0")/kestrod_root.sh" "${1:?usage: web_guide_bench.sh BUILD_DIR}"

"$build/tools/xmltv_generator" --channels 500 --days 1 --seed 1 --output "$work/guide.xml"
printf '#!/bin/sh\nwhile [ $# -gt 0 ]; do [ "$1" = --output ] && cp "%s" "$2"; shift; done\n' \
  "$work/guide.xml" >"$work/grab.sh"
chmod +x "$work/grab.sh"
echo "Importing 500 channels × 1 day ($(uptime | sed 's/.*load average/load average/'))"
import_lineup Large --set exe="$work/grab.sh" --set grabber=large
start_kestrod web

# The first call opens the module.
curl -s -o /dev/null "${web_address}api/v1/lineups/1/guide?hours=3"
times=$(for _ in $(seq 10); do
  curl -s -o /dev/null -w '%{time_total}\n' "${web_address}api/v1/lineups/1/guide?hours=3"
done | sort -n)
median=$(echo "$times" | sed -n 5p)
size=$(curl -s "${web_address}api/v1/lineups/1/guide?hours=3" | wc -c)
printf 'guide API, 500 channels x 3 hours: median %.1f ms (%d bytes; goal < 50 ms)\n' \
  "$(echo "$median * 1000" | bc -l)" "$size"

if [ -x /usr/bin/chromium ] && /usr/bin/python3 -c 'import selenium' 2>/dev/null; then
  /usr/bin/python3 - "$web_address" <<'PY'
import sys
from selenium import webdriver
from selenium.webdriver.chrome.options import Options
from selenium.webdriver.chrome.service import Service
from selenium.webdriver.support.ui import WebDriverWait
options = Options()
for arg in ("--headless=new", "--no-sandbox", "--disable-gpu", "--window-size=1400,900"):
    options.add_argument(arg)
browser = webdriver.Chrome(service=Service("/usr/bin/chromedriver"), options=options)
try:
    runs = []
    for _ in range(3):
        browser.get(sys.argv[1] + "#guide")
        browser.refresh()
        WebDriverWait(browser, 60).until(
            lambda b: b.execute_script("return document.body.dataset.ready") == "yes")
        channels = browser.execute_script("return document.getElementById('grid').dataset.channels")
        rows = browser.execute_script("return document.querySelectorAll('.grid-row[data-channel]').length")
        runs.append(int(browser.execute_script("return document.body.dataset.readyMs")))
    print("grid of %s channels in Chromium (%d rows drawn): best %d ms of %s (goal < 1000 ms)"
          % (channels, rows, min(runs), runs))
finally:
    browser.quit()
PY
else
  echo "grid in Chromium: skipped (chromium, chromium-driver and python3-selenium are not installed)"
fi
