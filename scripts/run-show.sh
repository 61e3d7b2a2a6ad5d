#!/usr/bin/env bash
# Builds everything (the demo content and its archive included) and plays one
# full loop of the show (1250 frames), leaving something to watch:
#   build/show/morvane.mp4     when ffmpeg is installed,
#   build/show/frames/*.png    otherwise,
# and showing it in a window at the same time when a display is available.
# Extra arguments go to morvane (for example --region ntsc or --size 1024x768).
# When the export fails (a full disk, ffmpeg refusing the file) the script
# says so and exits 1; what it leaves in build/show is then incomplete.
set -euo pipefail
cd "$(dirname "$0")/.."
bash scripts/setup-debian.sh
cmake --preset default >/dev/null
cmake --build --preset default

out=build/show
mkdir -p "$out"
args=()  # an export plays one loop unless told otherwise
if command -v ffmpeg >/dev/null 2>&1; then
  rm -f "$out/morvane.mp4"
  args+=(--video "$out/morvane.mp4")
  result="$out/morvane.mp4 (video of one loop)"
else
  rm -rf "$out/frames" && mkdir -p "$out/frames"
  args+=(--png "$out/frames")
  result="$out/frames/NNNNNN.png (one PNG per frame of one loop; install ffmpeg for a video)"
fi
if [ -n "${DISPLAY:-}${WAYLAND_DISPLAY:-}" ]; then
  args+=(--window)
fi
if ! ./build/default/morvane "${args[@]}" "$@"; then
  echo >&2
  echo "run-show: the show's export failed (the reason is in the line above);" \
       "what is in $out is incomplete." >&2
  exit 1
fi
echo
echo "The show's loop is in $result."
