#!/usr/bin/env bash
# Converts the same source with the same settings with Quenzel (quenzel-convert) and with ffmpeg,
# one after the other in one run, and prints the wall times, their ratio and Quenzel's peak memory.
# Source: 1080p H.264 with AAC sound, trimmed to 60 s (5 s to 65 s), written as 640x480 MPEG-4
# Part 2 in AVI at 25 fps with uncompressed sound. Targets: ratio at most 1.3, peak under 300 MB.
set -euo pipefail
top=$(cd "$(dirname "${BASH_SOURCE[0]}")/.." && pwd)
build_dir=${QUENZEL_BUILD_DIR:-$top/build}
media_dir=$build_dir/bench-media
work=$(mktemp -d)
trap 'rm -rf "$work"' EXIT
mkdir -p "$media_dir"
source_clip=$media_dir/hd-70s.mp4

# The clip is ordinary 8-bit 4:2:0 H.264 (High profile), like camera and web video: left to
# negotiate, videoconvert hands x264enc 10-bit 4:4:4, a rare kind that older caches still hold.
if [ -s "$source_clip" ] && [ "$(ffprobe -v error -select_streams v:0 -show_entries \
    stream=pix_fmt -of csv=p=0 "$source_clip")" != yuv420p ]; then
  rm -f "$source_clip"
fi
if [ ! -s "$source_clip" ]; then
  echo "Making a 70 s 1080p H.264 test clip (once)..."
  gst-launch-1.0 -q mp4mux name=mux ! filesink location="$source_clip" \
    videotestsrc num-buffers=1750 pattern=ball ! video/x-raw,width=1920,height=1080,framerate=25/1 \
      ! videoconvert ! video/x-raw,format=I420 ! x264enc speed-preset=veryfast bitrate=8000 key-int-max=50 ! h264parse ! queue ! mux. \
    audiotestsrc num-buffers=7000 samplesperbuffer=441 ! audio/x-raw,rate=44100,channels=2 \
      ! audioconvert ! avenc_aac bitrate=128000 ! aacparse ! queue ! mux.
fi

# Quenzel's stored settings stay untouched: point it at an empty configuration.
export XDG_CONFIG_HOME=$work/config

measure() {  # prints "seconds peak-kB"
  /usr/bin/time -f '%e %M' -o "$work/time" "$@" > "$work/log" 2>&1 || { cat "$work/log"; exit 1; }
  cat "$work/time"
}

read -r quenzel_seconds quenzel_kb < <(measure "$build_dir/bin/quenzel-convert" "$source_clip" \
  -o "$work/quenzel.avi" -y --start 5 --end 65 --size 640x480 --fps 25 --resize keep \
  --video-compressor avenc_mpeg4 --audio-compressor none)
read -r ffmpeg_seconds ffmpeg_kb < <(measure ffmpeg -v error -y -ss 5 -to 65 -i "$source_clip" \
  -vf 'scale=640:360,pad=640:480:0:60,fps=25' -c:v mpeg4 -b:v 200k -c:a pcm_s16le -ar 44100 -ac 2 \
  "$work/ffmpeg.avi")

for name in quenzel ffmpeg; do
  printf '%-8s ' "$name"
  ffprobe -v error -show_entries stream=codec_name,width,height,nb_frames:format=duration \
    -of compact=p=0 "$work/$name.avi" | tr '\n' ' '
  echo
done
printf 'quenzel %.2f s, peak %d MB\n' "$quenzel_seconds" $((quenzel_kb / 1024))
printf 'ffmpeg  %.2f s, peak %d MB\n' "$ffmpeg_seconds" $((ffmpeg_kb / 1024))
printf 'ratio quenzel/ffmpeg: %.2f (target at most 1.3)\n' "$(echo "$quenzel_seconds / $ffmpeg_seconds" | bc -l)"
