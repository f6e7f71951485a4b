#!/usr/bin/env bash
# How each quality level looks with each video compressor: converts 6 s of a noisy, detailed
# 1080p30 camera-like clip at every level and prints the video bitrate and the SSIM against the
# source (same size, so nothing is scaled). One level should give about the same SSIM whatever
# the compressor; sizes and SSIM rise with the level.
#   bench/quality-levels.sh [x264|x265|vp9|vp8|mpeg4 ...]
set -euo pipefail
top=$(cd "$(dirname "${BASH_SOURCE[0]}")/.." && pwd)
build_dir=${QUENZEL_BUILD_DIR:-$top/build}
media_dir=$build_dir/bench-media
work=$(mktemp -d)
trap 'rm -rf "$work"' EXIT
mkdir -p "$media_dir"
export XDG_CONFIG_HOME=$work/config

source=$media_dir/camera-1080p30.mp4
if [ ! -s "$source" ]; then
  echo "Making camera-1080p30.mp4 (once)..." >&2
  # Fine detail and motion, with the grain of a camera sensor that changes every picture.
  ffmpeg -v error -y -f lavfi -i "testsrc2=size=1920x1080:rate=30,noise=alls=4:allf=t" \
    -f lavfi -i "sine=frequency=440:sample_rate=48000" -t 12 -c:v libx264 -preset veryfast \
    -crf 16 -pix_fmt yuv420p -c:a aac -b:a 192k "$source"
fi

encoder_options() {  # name ; prints format and compressor options
  case $1 in
    x264) echo "--format mp4 --video-compressor x264enc" ;;
    x265) echo "--format mkv --video-compressor x265enc --audio-compressor opusenc" ;;
    vp9) echo "--format webm --video-compressor vp9enc" ;;
    vp8) echo "--format webm --video-compressor vp8enc" ;;
    mpeg4) echo "--format avi --video-compressor avenc_mpeg4 --audio-compressor lamemp3enc" ;;
    *) echo "unknown compressor $1" >&2; exit 2 ;;
  esac
}

extension() { set -- $(encoder_options "$1"); echo "$2"; }

encoders=("$@")
[ ${#encoders[@]} -gt 0 ] || encoders=(x264 x265 vp9 vp8 mpeg4)
printf '%-6s' ""
for level in smallest small balanced high best; do printf ' %21s' "$level"; done
printf '\n%-6s' ""
for level in 1 2 3 4 5; do printf ' %21s' "kbit/s  SSIM   s"; done
echo
for encoder in "${encoders[@]}"; do
  printf '%-6s' "$encoder"
  for level in smallest small balanced high best; do
    out=$work/out.$(extension "$encoder")
    start=$(date +%s.%N)
    # shellcheck disable=SC2046
    "$build_dir/bin/quenzel-convert" "$source" -o "$out" -y --start 1 --end 7 --size original \
      --fps original --quality "$level" $(encoder_options "$encoder") > "$work/log" 2>&1 ||
      { cat "$work/log" >&2; exit 1; }
    seconds=$(echo "$(date +%s.%N) - $start" | bc -l)
    video_bytes=$(ffprobe -v error -select_streams v:0 -show_entries packet=size -of csv=p=0 \
      "$out" | paste -sd+ | bc)
    ssim=$(ffmpeg -v info -i "$out" -ss 1 -t 6 -i "$source" -lavfi "[0:v][1:v]ssim" -f null - 2>&1 |
      sed -n 's/.*SSIM.*All:\([0-9.]*\).*/\1/p')
    printf ' %7d  %.4f %5.1f' $((video_bytes * 8 / 6 / 1000)) "$ssim" "$seconds"
  done
  echo
done
