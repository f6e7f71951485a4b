#!/usr/bin/env bash
# The copied cut ("Copy from source") against the re-encoded cut of the same span, and against
# ffmpeg's stream copy (ffmpeg -ss ... -to ... -c copy), in one run, on 45 s 1080p30 camera-like
# sources (testsrc2 with moving grain, key frame every 2 s, B-frames) cut 10.5 to 40.2 s.
# Per job it prints the time, the pictures written, which source picture the file starts on (the
# cut should start on picture 315, the one at 10.5 s), how many pictures are byte-identical to
# the source's, the decoder's complaints (ffmpeg -v error), and the copy's share of the
# re-encode's time (target: at most 0.1).
#   bench/lossless-cut.sh [JOB...]
# jobs: h264-mp4 h264-open-mp4 h265-mkv vp9-webm mpeg4-avi
set -euo pipefail
top=$(cd "$(dirname "${BASH_SOURCE[0]}")/.." && pwd)
build_dir=${QUENZEL_BUILD_DIR:-$top/build}
media_dir=$build_dir/bench-media
work=$(mktemp -d)
trap 'rm -rf "$work"' EXIT
mkdir -p "$media_dir"
export XDG_CONFIG_HOME=$work/config
convert=$build_dir/bin/quenzel-convert
start=10.5
end=40.2
first_picture=315  # 10.5 s at 30 fps

make_source() {  # name video-options... -- audio-options...
  local name=$1
  shift
  local video=() audio=()
  while [ "$1" != -- ]; do video+=("$1"); shift; done
  shift
  audio=("$@")
  [ -s "$media_dir/$name" ] && return
  echo "Making $name (once)..." >&2
  ffmpeg -v error -y -f lavfi -i "testsrc2=size=1920x1080:rate=30,noise=alls=10:allf=t" \
    -f lavfi -i "sine=frequency=440:sample_rate=48000" -t 45 -pix_fmt yuv420p \
    "${video[@]}" "${audio[@]}" "$media_dir/$name"
}

seconds() {  # command... ; prints the wall time
  local begin
  begin=$(date +%s.%N)
  "$@" > "$work/log" 2>&1 || { echo "failed: $*" >&2; tail -3 "$work/log" >&2; }
  awk -v begin="$begin" -v end="$(date +%s.%N)" 'BEGIN { printf "%.2f", end - begin }'
}

# Small gray pictures, for finding where a re-encoded file starts.
thumbnails() {  # file output
  ffmpeg -v error -i "$1" -vf scale=160:90,format=gray -f rawvideo - > "$2"
}
md5s() {  # file output
  ffmpeg -v error -i "$1" -f framemd5 - | grep -v '^#' | awk -F, '$1 == 0 {print $6}' > "$2"
}

report() {  # label file source seconds
  local label=$1 file=$2 source=$3 time=$4
  thumbnails "$file" "$work/out.gray"
  md5s "$file" "$work/out.md5"
  local errors
  errors=$(ffmpeg -v error -i "$file" -f null - 2>&1 | wc -l)
  python3 - "$work/source.gray" "$work/out.gray" "$work/source.md5" "$work/out.md5" \
    "$label" "$time" "$errors" "$first_picture" <<'EOF'
import sys
source, out, source_md5, out_md5, label, time, errors, wanted = sys.argv[1:]
size = 160 * 90
a = open(source, 'rb').read()
b = open(out, 'rb').read()
s = open(source_md5).read().split()
o = open(out_md5).read().split()
candidates = range(max(int(wanted) - 60, 0), int(wanted) + 60)
def identical(start):
    return sum(1 for i, m in enumerate(o) if start + i < len(s) and s[start + i] == m)
# A file with copied pictures starts where they line up with the source's; a re-encoded one
# where its first picture looks most like a source picture.
starts = max(candidates, key=identical)
same = identical(starts)
if same == 0:
    first = b[:size]
    def distance(i):
        frame = a[i * size:(i + 1) * size]
        return sum(abs(x - y) for x, y in zip(frame, first))
    starts = min(candidates, key=distance)
print(f"  {label:<22} {float(time):7.2f} s  {len(o):4d} pictures  starts on {starts:4d}"
      f"  {same:4d} identical  {int(errors):3d} decoder complaints")
EOF
}

job() {  # name source format compressor
  local name=$1 source=$media_dir/$2 format=$3 compressor=$4
  echo "$name: $2 cut $start-$end s into $format"
  thumbnails "$source" "$work/source.gray"
  md5s "$source" "$work/source.md5"
  local copy encode ffcopy
  copy=$(seconds "$convert" -y --format "$format" --video-compressor copy --audio-compressor copy \
    --start $start --end $end -o "$work/copy.$format" "$source")
  report "Quenzel copy" "$work/copy.$format" "$source" "$copy"
  # The same codec, at the source's size and rate and the Balanced quality.
  encode=$(seconds "$convert" -y --format "$format" --size original --fps original \
    --video-compressor "$compressor" \
    --start $start --end $end -o "$work/encode.$format" "$source")
  report "Quenzel re-encode" "$work/encode.$format" "$source" "$encode"
  ffcopy=$(seconds ffmpeg -v error -y -ss $start -to $end -i "$source" -c copy \
    "$work/ffmpeg.$format")
  report "ffmpeg -c copy" "$work/ffmpeg.$format" "$source" "$ffcopy"
  echo "  copy / re-encode: $(awk -v a="$copy" -v b="$encode" 'BEGIN { printf "%.3f", a / b }')" \
    "(target: at most 0.1)"
}

jobs=("$@")
[ ${#jobs[@]} -eq 0 ] && jobs=(h264-mp4 h264-open-mp4 h265-mkv vp9-webm mpeg4-avi)
for name in "${jobs[@]}"; do
  case $name in
    h264-mp4)
      make_source cut-h264.mp4 -c:v libx264 -preset veryfast -bf 2 -g 60 -keyint_min 60 \
        -sc_threshold 0 -- -c:a aac -b:a 128k
      job h264-mp4 cut-h264.mp4 mp4 x264enc ;;
    h264-open-mp4)
      make_source cut-h264-open.mp4 -c:v libx264 -preset veryfast -bf 3 \
        -x264-params open-gop=1:keyint=60:min-keyint=60:scenecut=0 -- -c:a aac -b:a 128k
      job h264-open-mp4 cut-h264-open.mp4 mp4 x264enc ;;
    h265-mkv)
      make_source cut-h265.mkv -c:v libx265 -preset veryfast \
        -x265-params keyint=60:min-keyint=60:bframes=3:log-level=error -- -c:a aac -b:a 128k
      job h265-mkv cut-h265.mkv mkv x265enc ;;
    vp9-webm)
      make_source cut-vp9.webm -c:v libvpx-vp9 -deadline realtime -cpu-used 8 -g 60 -b:v 8M \
        -- -c:a libopus -b:a 96k
      job vp9-webm cut-vp9.webm webm vp9enc ;;
    mpeg4-avi)
      # XviD-like: MPEG quantizer, the setup only in the file's header, no B-frames. PCM sound:
      # ffmpeg leaves out the second picture of an AVI file with MP3 sound, which would shift
      # the picture numbers below by one.
      make_source cut-mpeg4.avi -c:v mpeg4 -bf 0 -g 60 -b:v 8M -mpeg_quant 1 \
        -flags +global_header -vtag XVID -- -c:a pcm_s16le
      job mpeg4-avi cut-mpeg4.avi avi "MPEG-4 Part 2" ;;
    *) echo "unknown job $name" >&2; exit 2 ;;
  esac
done
