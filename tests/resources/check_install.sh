#!/usr/bin/env bash
# Installs the build into a scratch prefix and checks that everything the desktop needs is
# where it looks for it.
#   check_install.sh BUILD_DIR
set -euo pipefail
build_dir=$1
prefix=$(mktemp -d)
trap 'rm -rf "$prefix"' EXIT
cmake --install "$build_dir" --prefix "$prefix" >/dev/null

expected=(
  bin/quenzel
  bin/quenzel-convert
  share/quenzel/language/English.ini
  share/quenzel/help/Introduction.htm
  share/quenzel/help/quenzel.css
  share/applications/org.harrowfield.Quenzel.desktop
  share/metainfo/org.harrowfield.Quenzel.metainfo.xml
  share/icons/hicolor/scalable/apps/quenzel.svg
)
for size in 16 24 32 48 64 128 256; do
  expected+=("share/icons/hicolor/${size}x${size}/apps/quenzel.png")
done
missing=0
for file in "${expected[@]}"; do
  if [ ! -s "$prefix/$file" ]; then
    echo "not installed: $file"
    missing=1
  fi
done
# Each PNG really has its size: a 48 px theme icon must not be a 256 px picture.
for size in 16 256; do
  # A PNG's width and height are the 4-byte big-endian numbers at bytes 16 and 20.
  read -r -a bytes <<<"$(od -An -tu1 -j16 -N8 "$prefix/share/icons/hicolor/${size}x${size}/apps/quenzel.png")"
  width=$(( (bytes[2] << 8) + bytes[3] ))
  height=$(( (bytes[6] << 8) + bytes[7] ))
  dimensions="$width x $height"
  if [ "$dimensions" != "$size x $size" ]; then
    echo "icon ${size}x${size} is $dimensions"
    missing=1
  fi
done
# Nothing of the build (libraries, tests, generators) goes along.
stray=$(cd "$prefix" && find . -type f \( -name '*.a' -o -name 'test_*' -o -name 'quenzel_make*' \))
if [ -n "$stray" ]; then
  echo "installed by mistake: $stray"
  missing=1
fi
exit $missing
