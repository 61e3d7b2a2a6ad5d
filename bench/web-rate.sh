#!/usr/bin/env bash
# The show's speed in headless Chromium next to the desktop build, in the
# same run: frames per second of the page with ?unpaced (as fast as the
# browser draws) and of `morvane --headless` over the same number of seconds,
# taken three times each in turns, with the load average. Needs the web build
# and build/web-test/node_modules (scripts/test-web.sh makes both).
set -euo pipefail
cd "$(dirname "$0")/.."
seconds=${1:-5}
python3 -u -m http.server 0 --bind 127.0.0.1 --directory build/web >build/web-test/bench-server.log 2>&1 &
server=$!
trap 'kill "$server" 2>/dev/null || true' EXIT
port=
for _ in $(seq 300); do
  port=$(sed -n 's/.* port \([0-9]*\).*/\1/p' build/web-test/bench-server.log | head -n 1)
  [ -n "$port" ] && break
  sleep 0.1
done
[ -n "$port" ] || { echo "web-rate: the web server did not start" >&2; exit 1; }
frames=$((seconds * 100))
uptime
for round in 1 2 3; do
  page=$(NODE_PATH="$PWD/build/web-test/node_modules" node tests/web/rate.cjs \
         "http://127.0.0.1:$port/morvane.html?unpaced" "$seconds")
  began=$(date +%s.%N)
  build/default/morvane --headless --quiet --frames "$frames" >/dev/null
  ended=$(date +%s.%N)
  python3 -c "import sys; r, p, f, t = sys.argv[1:]; n = int(f) / float(t)
print(f'round {r}: page {float(p):.1f} frames/s, desktop {n:.1f} frames/s, page/desktop {float(p) / n:.2f}')" \
    "$round" "$page" "$frames" "$(python3 -c "print($ended - $began)")"
done
uptime
