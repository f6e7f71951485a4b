#!/usr/bin/env bash
# Quenzel (quenzel-convert) against ffmpeg on the same conversions of detailed, camera-like
# sources (ffmpeg's testsrc2: fine lines, moving gradients, text), in the same run. Each job runs
# three times, Quenzel and ffmpeg alternating; the best wall time of each counts. Prints per job
# both times, their ratio, both peak memories, and checks that both files hold the same number of
# frames and the same duration. Targets: ratio at most 1.15, Quenzel's peak at most 150 MB.
#   bench/convert-vs-ffmpeg.sh [JOB...]    jobs: hd30-to-vga hd25-same vp9-to-vga hd10bit-to-vga
set -euo pipefail
top=$(cd "$(dirname "${BASH_SOURCE[0]}")/.." && pwd)
build_dir=${QUENZEL_BUILD_DIR:-$top/build}
media_dir=$build_dir/bench-media
work=$(mktemp -d)
trap 'rm -rf "$work"' EXIT
mkdir -p "$media_dir"
runs=${QUENZEL_BENCH_RUNS:-3}

# Sources, made once: 65 s with a 440 Hz tone, key frame every 2 s.
make_source() {  # name size rate video-options... -- audio-options...
  local name=$1 size=$2 rate=$3
  shift 3
  local video=() audio=()
  while [ "$1" != -- ]; do video+=("$1"); shift; done
  shift
  audio=("$@")
  [ -s "$media_dir/$name" ] && return
  echo "Making $name (once)..." >&2
  ffmpeg -v error -y -f lavfi -i "testsrc2=size=$size:rate=$rate" \
    -f lavfi -i "sine=frequency=440:sample_rate=48000" -t 65 -g $((rate * 2)) \
    "${video[@]}" "${audio[@]}" "$media_dir/$name"
}
make_source detail-1080p30.mp4 1920x1080 30 -c:v libx264 -preset veryfast -crf 23 \
  -pix_fmt yuv420p -- -c:a aac -b:a 128k
make_source detail-1080p25.mp4 1920x1080 25 -c:v libx264 -preset veryfast -crf 23 \
  -pix_fmt yuv420p -- -c:a aac -b:a 128k
make_source detail-720p30.webm 1280x720 30 -c:v libvpx-vp9 -deadline realtime -cpu-used 8 \
  -b:v 3M -- -c:a libopus -b:a 96k
make_source detail-1080p30-10bit.mp4 1920x1080 30 -c:v libx264 -preset veryfast -crf 23 \
  -pix_fmt yuv420p10le -- -c:a aac -b:a 128k

# Quenzel's stored settings stay untouched: it gets an empty configuration.
export XDG_CONFIG_HOME=$work/config

measure() {  # command... ; prints "seconds peak-kB"
  /usr/bin/time -f '%e %M' -o "$work/time" "$@" > "$work/log" 2>&1 || {
    cat "$work/log" >&2
    return 1
  }
  cat "$work/time"
}

frames_and_duration() {  # file ; prints "frames duration"
  local frames duration
  frames=$(ffprobe -v error -count_packets -select_streams v:0 -show_entries stream=nb_read_packets \
    -of csv=p=0 "$1")
  duration=$(ffprobe -v error -show_entries format=duration -of csv=p=0 "$1")
  echo "$frames $duration"
}

# The same job for both: trimmed 2 s to 62 s, MPEG-4 Part 2 pictures and 16-bit sound at 44.1 kHz
# in AVI; "vga" jobs fit the picture into 640x480 at 25 fps with black borders.
run_job() {  # name source vga|same
  local name=$1 source=$media_dir/$2 mode=$3
  local quenzel=(--start 2 --end 62 --video-compressor avenc_mpeg4 --audio-compressor none)
  local ffmpeg=(-v error -y -ss 2 -to 62 -i "$source")
  if [ "$mode" = vga ]; then
    quenzel+=(--size 640x480 --fps 25 --resize keep)
    ffmpeg+=(-vf "scale=640:480:force_original_aspect_ratio=decrease,pad=640:480:(ow-iw)/2:(oh-ih)/2,fps=25")
  else
    quenzel+=(--size original --fps original)
  fi
  ffmpeg+=(-c:v mpeg4 -c:a pcm_s16le -ar 44100 -ac 2)
  local best_q=999999 best_f=999999 peak_q=0 peak_f=0 seconds kb
  for ((run = 1; run <= runs; run++)); do
    read -r seconds kb < <(measure "$build_dir/bin/quenzel-convert" "$source" -o "$work/q.avi" \
      -y "${quenzel[@]}")
    best_q=$(echo "if ($seconds < $best_q) $seconds else $best_q" | bc -l)
    peak_q=$((kb > peak_q ? kb : peak_q))
    read -r seconds kb < <(measure ffmpeg "${ffmpeg[@]}" "$work/f.avi")
    best_f=$(echo "if ($seconds < $best_f) $seconds else $best_f" | bc -l)
    peak_f=$((kb > peak_f ? kb : peak_f))
  done
  local q_frames q_duration f_frames f_duration same=yes
  read -r q_frames q_duration < <(frames_and_duration "$work/q.avi")
  read -r f_frames f_duration < <(frames_and_duration "$work/f.avi")
  if [ "$q_frames" != "$f_frames" ] ||
    [ "$(echo "d = $q_duration - $f_duration; d < 0.05 && d > -0.05" | bc -l)" != 1 ]; then
    same="NO"
  fi
  printf '%-15s quenzel %6.2f s %4d MB   ffmpeg %6.2f s %4d MB   ratio %.2f   frames %s/%s duration %.2f/%.2f same %s\n' \
    "$name" "$best_q" $((peak_q / 1024)) "$best_f" $((peak_f / 1024)) \
    "$(echo "$best_q / $best_f" | bc -l)" "$q_frames" "$f_frames" "$q_duration" "$f_duration" "$same"
}

jobs=("$@")
[ ${#jobs[@]} -gt 0 ] || jobs=(hd30-to-vga hd25-same vp9-to-vga hd10bit-to-vga)
echo "Best of $runs, alternating; targets: ratio <= 1.15, Quenzel peak <= 150 MB"
for job in "${jobs[@]}"; do
  case $job in
    hd30-to-vga) run_job "$job" detail-1080p30.mp4 vga ;;
    hd25-same) run_job "$job" detail-1080p25.mp4 same ;;
    vp9-to-vga) run_job "$job" detail-720p30.webm vga ;;
    hd10bit-to-vga) run_job "$job" detail-1080p30-10bit.mp4 vga ;;
    *) echo "unknown job $job" >&2; exit 2 ;;
  esac
done
