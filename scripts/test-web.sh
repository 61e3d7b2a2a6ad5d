#!/usr/bin/env bash
# The show in a web page: builds the `web` preset (after the desktop build,
# whose generated content the page packs in), serves build/web on 127.0.0.1
# and checks the page in headless Chromium against the desktop build:
#   (a) frames 0, 100 and 1000 on the canvas are byte-identical to the
#       desktop's (CRC-32 of the pixels, as `morvane --checksums` prints it);
#   (b) the page holds the region's field rate for 5 seconds, PAL and NTSC;
#   (c) a damaged archive opened in the page gives the archive's own message
#       (the one the desktop prints for it) and nothing crashes.
# Installs what it needs (Debian's emscripten, chromium and node; the
# browser driver from npm into build/web-test).
set -euo pipefail
cd "$(dirname "$0")/.."
began=$(date +%s)

packages=(emscripten chromium)
command -v node >/dev/null || packages+=(nodejs)
command -v npm >/dev/null || packages+=(npm)
missing=()
for p in "${packages[@]}"; do
  dpkg-query -W -f='${Status}' "$p" 2>/dev/null | grep -q 'install ok installed' || missing+=("$p")
done
if [ "${#missing[@]}" -gt 0 ]; then
  echo "test-web: installing ${missing[*]}"
  export DEBIAN_FRONTEND=noninteractive
  apt-get update -qq
  apt-get install -y -qq --no-install-recommends "${missing[@]}"
fi
work=build/web-test
mkdir -p "$work"
if [ ! -d "$work/node_modules/puppeteer-core" ]; then
  echo "test-web: installing puppeteer-core"
  (cd "$work" && npm install --no-audit --no-fund --silent puppeteer-core@24 >/dev/null)
fi

echo "== desktop build and its checksums"
[ -f build/default/build.ninja ] || cmake --preset default >/dev/null
cmake --build --preset default --target morvane demo_content
build/default/morvane --headless --quiet --frames 1001 --checksums 2>"$work/native-sums.txt" >/dev/null

echo "== web build"
# Emscripten's own pkg-config folder, so that no host library is found.
export PKG_CONFIG_LIBDIR=/usr/share/emscripten/cache/sysroot/lib/pkgconfig
# Emscripten's tools need Debian's node modules (acorn), which a node from
# elsewhere does not look for by itself.
export NODE_PATH=/usr/share/nodejs
emcmake cmake --preset web -DMORVANE_NATIVE_DATA="$PWD/build/default/data" >/dev/null
cmake --build --preset web
unset PKG_CONFIG_LIBDIR NODE_PATH

# A damaged archive: the built-in one cut in half, and the desktop's words for it.
damaged="$work/damaged"
mkdir -p "$damaged"
size=$(stat -c %s build/default/data/Morvane.hvk)
head -c $((size / 2)) build/default/data/Morvane.hvk >"$damaged/Morvane.hvk"
build/default/morvane --headless --host "$damaged" --frames 1 >"$work/native-damaged.txt" 2>&1 || true

echo "== the page in headless Chromium"
python3 -u -m http.server 0 --bind 127.0.0.1 --directory build/web >"$work/server.log" 2>&1 &
server=$!
trap 'kill "$server" 2>/dev/null || true' EXIT
port=
for _ in $(seq 300); do
  port=$(sed -n 's/.* port \([0-9]*\).*/\1/p' "$work/server.log" | head -n 1)
  [ -n "$port" ] && break
  sleep 0.1
done
[ -n "$port" ] || { echo "test-web: the web server did not start" >&2; cat "$work/server.log" >&2; exit 1; }
NODE_PATH="$PWD/$work/node_modules" node tests/web/check-page.cjs "http://127.0.0.1:$port/morvane.html" \
  "$work/native-sums.txt" "$damaged/Morvane.hvk" "$work/native-damaged.txt" "$work/page.png"
echo "test-web: took $(( $(date +%s) - began )) s"
