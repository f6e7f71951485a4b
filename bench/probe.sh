#!/usr/bin/env bash
# Times opening (probing) a one-hour video the way Open Video does, through quenzel-convert --info.
# Prints the wall time of each run and the median. Target: well under a second.
set -euo pipefail
top=$(cd "$(dirname "${BASH_SOURCE[0]}")/.." && pwd)
build_dir=${QUENZEL_BUILD_DIR:-$top/build}
media_dir=$build_dir/bench-media
mkdir -p "$media_dir"
clip=$media_dir/one-hour.avi

if [ ! -s "$clip" ]; then
  echo "Making a one-hour test clip (once)..."
  # 25 fps for 3600 s, with MP3 sound, written as fast as the encoder goes.
  gst-launch-1.0 -q avimux name=mux ! filesink location="$clip" \
    videotestsrc num-buffers=90000 pattern=ball ! video/x-raw,width=320,height=240,framerate=25/1 \
      ! videoconvert ! avenc_mpeg4 bitrate=100000 ! queue ! mux. \
    audiotestsrc num-buffers=360000 samplesperbuffer=441 ! audio/x-raw,rate=44100,channels=2 \
      ! audioconvert ! lamemp3enc bitrate=64 ! queue ! mux.
fi

"$build_dir/bin/quenzel-convert" --info "$clip"
times=()
for run in 1 2 3 4 5; do
  start=$(date +%s.%N)
  "$build_dir/bin/quenzel-convert" --info "$clip" > /dev/null
  end=$(date +%s.%N)
  times+=("$(echo "$end - $start" | bc -l)")
  printf 'run %d: %.3f s\n' "$run" "${times[-1]}"
done
median=$(printf '%s\n' "${times[@]}" | sort -n | sed -n 3p)
printf 'probe of a one-hour file, median of 5: %.3f s\n' "$median"
