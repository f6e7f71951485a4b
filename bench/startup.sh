#!/usr/bin/env bash
# Times starting quenzel until its main window is on screen (mapped and viewable), on a virtual
# display with a fresh configuration. Prints each run and the median. Target: under one second.
set -euo pipefail
top=$(cd "$(dirname "${BASH_SOURCE[0]}")/.." && pwd)
build_dir=${QUENZEL_BUILD_DIR:-$top/build}
if [ -z "${QUENZEL_STARTUP_INSIDE:-}" ]; then
  export QUENZEL_STARTUP_INSIDE=1
  exec xvfb-run -a -s "-screen 0 1280x1024x24" "$0" "$@"
fi

scratch=$(mktemp -d)
trap 'rm -rf "$scratch"' EXIT
export XDG_CONFIG_HOME=$scratch/config HOME=$scratch GST_DEBUG=0 QT_QPA_PLATFORM=xcb

shown() {
  xwininfo -name Quenzel 2>/dev/null | grep -q 'Map State: IsViewable'
}

times=()
for run in 1 2 3 4 5; do
  start=$(date +%s.%N)
  "$build_dir/bin/quenzel" 2>/dev/null &
  pid=$!
  until shown; do
    if ! kill -0 "$pid" 2>/dev/null; then
      echo "quenzel ended before its window showed" >&2
      exit 1
    fi
    sleep 0.005
  done
  end=$(date +%s.%N)
  kill "$pid"
  wait "$pid" 2>/dev/null || true
  times+=("$(echo "$end - $start" | bc -l)")
  printf 'run %d: %.3f s to the main window\n' "$run" "${times[-1]}"
done
median=$(printf '%s\n' "${times[@]}" | sort -n | sed -n 3p)
printf 'median: %.3f s from start to the main window (target: under 1 s)\n' "$median"
