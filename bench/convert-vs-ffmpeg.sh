#!/usr/bin/env bash
# Quenzel (quenzel-convert) against ffmpeg, and HandBrakeCLI where it can write the job, on the
# same conversions of detailed, camera-like sources (ffmpeg's testsrc2: fine lines, moving
# gradients, text), in the same run. Each job runs QUENZEL_BENCH_RUNS times (3; the slow x265 job
# once), the tools alternating; the best wall time of each counts. Prints per job the times, the
# ratio of Quenzel's to ffmpeg's, the peak memories, and checks that every file holds the same
# number of frames and the same duration. Targets: ratio at most 1.0, Quenzel's peak at most
# ffmpeg's + 60 MB (gst-libav's decoders keep a copy of each reference picture).
#   bench/convert-vs-ffmpeg.sh [JOB...]
# jobs: hd30-to-vga hd25-same vp9-to-vga hd10bit-to-vga x264-720p-mkv x265-1080p vp9-720p mp4-720p
#
# The encoder settings, the same on every side:
#   *-to-vga, hd25-same   MPEG-4 Part 2 at libav's defaults and 16-bit sound, AVI (HandBrake
#                         writes no AVI)
#   x264-720p-mkv         1280x720 at 30 fps, x264 medium, ABR 2048 kbit/s without VBV, AAC 128k,
#                         MKV (Quenzel's --average-bitrate)
#   x265-1080p            1920x1080 at 30 fps, 20 s, x265 medium CRF 26 (Quenzel's Balanced),
#                         AAC 128k, MKV
#   vp9-720p              1280x720 at 30 fps, 20 s, VP9 constant quality 33 (Balanced), good
#                         deadline, speed 4, row threads, Opus 128k, WebM
#   mp4-720p              1280x720 at 30 fps, x264 medium CRF 23 (Balanced), AAC 128k, MP4 with
#                         the index first
# HandBrakeCLI comes from Debian's handbrake-cli; without it the column stays empty.
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

# Runs one job on every tool: the arguments are in the arrays quenzel, ffmpeg and handbrake
# (empty: HandBrake cannot write it), the output files are out.EXT.
compare() {  # name extension runs
  local name=$1 ext=$2 job_runs=$3
  local tools=(quenzel ffmpeg)
  [ ${#handbrake[@]} -gt 0 ] && command -v HandBrakeCLI > /dev/null && tools+=(handbrake)
  declare -A best peak frames duration
  local tool run seconds kb
  for tool in "${tools[@]}"; do best[$tool]=999999; peak[$tool]=0; done
  for ((run = 1; run <= job_runs; run++)); do
    for tool in "${tools[@]}"; do
      case $tool in
        quenzel) read -r seconds kb < <(measure "$build_dir/bin/quenzel-convert" "${quenzel[@]}" \
          -o "$work/quenzel.$ext" -y) ;;
        ffmpeg) read -r seconds kb < <(measure ffmpeg "${ffmpeg[@]}" "$work/ffmpeg.$ext") ;;
        handbrake) read -r seconds kb < <(measure HandBrakeCLI "${handbrake[@]}" \
          -o "$work/handbrake.$ext") ;;
      esac
      best[$tool]=$(echo "if ($seconds < ${best[$tool]}) $seconds else ${best[$tool]}" | bc -l)
      peak[$tool]=$((kb > peak[$tool] ? kb : peak[$tool]))
    done
  done
  local same=yes line
  for tool in "${tools[@]}"; do
    read -r frames[$tool] duration[$tool] < <(frames_and_duration "$work/$tool.$ext")
    if [ "${frames[$tool]}" != "${frames[quenzel]}" ] || [ "$(echo "d = ${duration[$tool]} - \
      ${duration[quenzel]}; d < 0.05 && d > -0.05" | bc -l)" != 1 ]; then
      same=NO
    fi
  done
  line=$(printf '%-14s quenzel %6.2f s %4d MB   ffmpeg %6.2f s %4d MB   ratio %.2f' "$name" \
    "${best[quenzel]}" $((peak[quenzel] / 1024)) "${best[ffmpeg]}" $((peak[ffmpeg] / 1024)) \
    "$(echo "${best[quenzel]} / ${best[ffmpeg]}" | bc -l)")
  if [ -n "${best[handbrake]:-}" ]; then
    line+=$(printf '   handbrake %6.2f s %4d MB' "${best[handbrake]}" $((peak[handbrake] / 1024)))
  fi
  for tool in "${tools[@]}"; do
    line+=$(printf '   %s %s/%.2fs' "${tool:0:1}" "${frames[$tool]}" "${duration[$tool]}")
  done
  echo "$line   same $same"
}

# Trimmed 2 s to 62 s, MPEG-4 Part 2 pictures and 16-bit sound at 44.1 kHz in AVI; "vga" jobs fit
# the picture into 640x480 at 25 fps with black borders.
mpeg4_job() {  # name source vga|same
  local name=$1 source=$media_dir/$2 mode=$3
  quenzel=("$source" --start 2 --end 62 --video-compressor avenc_mpeg4 --audio-compressor none)
  ffmpeg=(-v error -y -ss 2 -to 62 -i "$source")
  handbrake=()
  if [ "$mode" = vga ]; then
    quenzel+=(--size 640x480 --fps 25 --resize keep)
    ffmpeg+=(-vf "scale=640:480:force_original_aspect_ratio=decrease,pad=640:480:(ow-iw)/2:(oh-ih)/2,fps=25")
  else
    quenzel+=(--size original --fps original)
  fi
  ffmpeg+=(-c:v mpeg4 -c:a pcm_s16le -ar 44100 -ac 2)
  compare "$name" avi "$runs"
}

# Today's encoders: span START to END of the 1080p30 source at SIZE and 30 fps.
modern_job() {  # name start end width height extension runs
  local name=$1 start=$2 end=$3 width=$4 height=$5 ext=$6 job_runs=$7
  local source=$media_dir/detail-1080p30.mp4
  quenzel=("$source" --start "$start" --end "$end" --size "${width}x$height" --fps 30)
  ffmpeg=(-v error -y -ss "$start" -to "$end" -i "$source" -vf "scale=$width:$height" -r 30)
  handbrake=(-i "$source" --start-at "seconds:$start" --stop-at "seconds:$((end - start))"
    -w "$width" -l "$height" --crop 0:0:0:0 -r 30 --cfr --mixdown stereo -R 44.1)
  case $name in
    x264-720p-mkv)
      quenzel+=(--format mkv --video-compressor x264enc --audio-compressor avenc_aac
        --average-bitrate 2048)
      ffmpeg+=(-c:v libx264 -preset medium -b:v 2048k -c:a aac -b:a 128k)
      handbrake+=(-f av_mkv -e x264 --encoder-preset medium -b 2048 -E av_aac -B 128) ;;
    x265-1080p)
      quenzel+=(--format mkv --video-compressor x265enc --audio-compressor avenc_aac)
      ffmpeg+=(-c:v libx265 -preset medium -crf 26 -c:a aac -b:a 128k)
      handbrake+=(-f av_mkv -e x265 --encoder-preset medium -q 26 -E av_aac -B 128) ;;
    vp9-720p)
      quenzel+=(--format webm --video-compressor vp9enc --audio-compressor opusenc)
      ffmpeg+=(-c:v libvpx-vp9 -crf 33 -b:v 0 -qmin 33 -deadline good -cpu-used 4 -row-mt 1
        -auto-alt-ref 1 -c:a libopus -b:a 128k)
      handbrake+=(-f av_webm -e VP9 --encoder-preset medium -q 33 -E opus -B 128) ;;
    mp4-720p)
      quenzel+=(--format mp4 --video-compressor x264enc --audio-compressor avenc_aac)
      ffmpeg+=(-c:v libx264 -preset medium -crf 23 -c:a aac -b:a 128k -movflags +faststart)
      handbrake+=(-f av_mp4 --optimize -e x264 --encoder-preset medium -q 23 -E av_aac -B 128) ;;
  esac
  compare "$name" "$ext" "$job_runs"
}


jobs=("$@")
[ ${#jobs[@]} -gt 0 ] ||
  jobs=(hd30-to-vga hd25-same vp9-to-vga hd10bit-to-vga x264-720p-mkv x265-1080p vp9-720p mp4-720p)
echo "Best of $runs (x265: 1), alternating; targets: ratio <= 1.0, Quenzel peak <= ffmpeg's + 60 MB"
for job in "${jobs[@]}"; do
  case $job in
    hd30-to-vga) mpeg4_job "$job" detail-1080p30.mp4 vga ;;
    hd25-same) mpeg4_job "$job" detail-1080p25.mp4 same ;;
    vp9-to-vga) mpeg4_job "$job" detail-720p30.webm vga ;;
    hd10bit-to-vga) mpeg4_job "$job" detail-1080p30-10bit.mp4 vga ;;
    x264-720p-mkv) modern_job "$job" 2 62 1280 720 mkv "$runs" ;;
    x265-1080p) modern_job "$job" 2 22 1920 1080 mkv 1 ;;
    vp9-720p) modern_job "$job" 2 22 1280 720 webm "$runs" ;;
    mp4-720p) modern_job "$job" 2 62 1280 720 mp4 "$runs" ;;
    *) echo "unknown job $job" >&2; exit 2 ;;
  esac
done
