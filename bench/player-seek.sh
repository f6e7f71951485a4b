#!/usr/bin/env bash
# Times the player on a 1080p30 H.264 clip with sound (detailed moving content, a key frame every
# 2 s, 150 s): from OpenClip to the first picture on screen, 20 accurate seeks to random positions
# until the new picture is on screen (stopped, then while playing), and memory and picture rate
# over 2 minutes of playing. Targets: first picture under 300 ms, median seek under 150 ms, worst
# under 400 ms, memory flat while playing.
# Runs under Xvfb at 1920x1080 when it is there (the window then shows the picture almost at full
# size), else on Qt's offscreen platform. PLAY_SECONDS shortens the playing part.
set -euo pipefail
top=$(cd "$(dirname "${BASH_SOURCE[0]}")/.." && pwd)
build_dir=${QUENZEL_BUILD_DIR:-$top/build}
media_dir=$build_dir/bench-media
mkdir -p "$media_dir"
clip=$media_dir/hd-150s-gop2s.mp4

if [ ! -s "$clip" ]; then
  echo "Making a 150 s 1080p30 H.264 test clip (once)..."
  ffmpeg -v error -y -f lavfi -i testsrc2=size=1920x1080:rate=30:duration=150 \
    -f lavfi -i sine=frequency=440:duration=150 \
    -c:v libx264 -preset veryfast -b:v 8M -g 60 -keyint_min 60 -sc_threshold 0 -pix_fmt yuv420p \
    -c:a aac -b:a 128k "$clip.part.mp4"
  mv "$clip.part.mp4" "$clip"
fi

bench=$build_dir/bin/quenzel-player-bench
export XDG_CONFIG_HOME=$(mktemp -d)
trap 'rm -rf "$XDG_CONFIG_HOME"' EXIT
if command -v xvfb-run > /dev/null && [ -z "${QT_QPA_PLATFORM:-}" ]; then
  QT_QPA_PLATFORM=xcb xvfb-run -a -s "-screen 0 1920x1080x24" "$bench" "$clip" "${PLAY_SECONDS:-120}"
else
  QT_QPA_PLATFORM=${QT_QPA_PLATFORM:-offscreen} "$bench" "$clip" "${PLAY_SECONDS:-120}"
fi
