#!/usr/bin/env bash
# "Fit in N MB" on a matrix of sources, formats, sizes and spans: prints, for every conversion,
# the target, the size reached, its share of the target, the passes and the time. Targets: no
# file over its target; every file of detailed content at 95 % of it at least (flat content may
# stay below); two passes at most 2.1 times one pass (the last columns compare the two-pass time
# with one pass at the Balanced level on the same job).
#   bench/size-target.sh [SOURCE...]   sources: detailed flat screen camera
#   QUENZEL_BENCH_FORMATS="mp4 webm avi" picks the formats.
# Sources are 1280x720 at 30 fps with sound; every file is written at 854x480, 30 fps.
set -euo pipefail
top=$(cd "$(dirname "${BASH_SOURCE[0]}")/.." && pwd)
build_dir=${QUENZEL_BUILD_DIR:-$top/build}
media_dir=$build_dir/bench-media
work=$(mktemp -d)
trap 'rm -rf "$work"' EXIT
mkdir -p "$media_dir"
export XDG_CONFIG_HOME=$work/config

# 5 min 10 s each, a key frame every 2 s.
source_filter() {
  case $1 in
    detailed) echo "testsrc2=size=1280x720:rate=30" ;;
    # A plain background with one square moving across it.
    flat) echo "color=c=0x405060:size=1280x720:rate=30,drawbox=x='mod(t*150,1100)':y=300:w=120:h=120:color=white:t=fill" ;;
    # Mostly still, with a counter ticking and the picture scrolling slowly, as on a screen.
    screen) echo "testsrc=size=1280x720:rate=30,scroll=vertical=0.0005" ;;
    # Detail and motion under the grain of a camera sensor.
    camera) echo "testsrc2=size=1280x720:rate=30,noise=alls=4:allf=t" ;;
    *) echo "unknown source $1" >&2; exit 2 ;;
  esac
}
make_source() {
  local path=$media_dir/size-$1-720p30.mp4
  if [ ! -s "$path" ]; then
    echo "Making $(basename "$path") (once)..." >&2
    ffmpeg -v error -y -f lavfi -i "$(source_filter "$1")" -f lavfi \
      -i "sine=frequency=440:sample_rate=48000" -t 310 -g 60 -c:v libx264 -preset veryfast \
      -crf 18 -pix_fmt yuv420p -c:a aac -b:a 128k "$path"
  fi
  echo "$path"
}

format_options() {
  case $1 in
    mp4) echo "--format mp4 --video-compressor x264enc --audio-compressor avenc_aac" ;;
    webm) echo "--format webm --video-compressor vp9enc --audio-compressor opusenc" ;;
    avi) echo "--format avi --video-compressor avenc_mpeg4 --audio-compressor lamemp3enc" ;;
  esac
}

convert() {  # source format seconds extra-options... ; prints "seconds passes bytes"
  local source=$1 format=$2 seconds=$3
  shift 3
  local out=$work/out.$format start
  start=$(date +%s.%N)
  # shellcheck disable=SC2046
  "$build_dir/bin/quenzel-convert" "$source" -o "$out" -y --start 5 --end $((5 + seconds)) \
    --size 854x480 --fps 30 $(format_options "$format") "$@" > "$work/log" 2>&1 || true
  local took passes
  took=$(echo "$(date +%s.%N) - $start" | bc -l)
  passes=$(grep -ao 'pass [0-9]* of [0-9]*' "$work/log" | tail -n1 | awk '{print $4}')
  [ -n "$passes" ] || passes=1
  if grep -q "more than the\|too small\|failed" "$work/log"; then
    sed 's/^/    /' "$work/log" >&2
  fi
  echo "$took $passes $(stat -c %s "$out" 2>/dev/null || echo 0)"
}

sources=("$@")
[ ${#sources[@]} -gt 0 ] || sources=(detailed flat screen camera)
printf '%-9s %-5s %7s %6s %10s %7s %6s %8s %10s\n' source format target span reached "%" passes time "1-pass"
for name in "${sources[@]}"; do
  source=$(make_source "$name")
  for format in ${QUENZEL_BENCH_FORMATS:-mp4 webm avi}; do
    for job in "8 30" "25 120" "100 300"; do
      read -r megabytes seconds <<< "$job"
      read -r took passes bytes < <(convert "$source" "$format" "$seconds" \
        --target-size "${megabytes}MB")
      one=""
      if [ "$seconds" = 120 ] && [ "$format" != avi ]; then
        read -r one _ _ < <(convert "$source" "$format" "$seconds" --quality balanced)
        one=$(printf '%.1f s (x%.2f)' "$one" "$(echo "$took / $one" | bc -l)")
      fi
      printf '%-9s %-5s %4d MB %4d s %10d %6.1f %6d %6.1f s %s\n' "$name" "$format" \
        "$megabytes" "$seconds" "$bytes" "$(echo "$bytes * 100 / ($megabytes * 1000000)" | bc -l)" \
        "$passes" "$took" "$one"
    done
  done
done
