#!/usr/bin/env bash
# Builds the language file fuzzer with clang (ASan, UBSan, libFuzzer) into the build tree when
# its sources changed, then runs it for a bounded time. Exit 77 (skipped) without clang.
# Usage: run_language_fuzzer.sh SOURCE_DIR WORK_DIR SECONDS
set -euo pipefail

source_dir=$1
work_dir=$2
seconds=${3:-25}

if ! command -v clang++ >/dev/null 2>&1; then
  echo "clang++ not found: the fuzz test needs clang and libclang-rt-14-dev"
  exit 77
fi

sources=(
  language/LanguageFileParser.cpp
  language/IniReader.cpp
  language/TextDecoding.cpp
  language/TextEscapes.cpp
  language/TextKeyTable.cpp
  tests/language/fuzz/LanguageFileFuzzer.cpp
)
flags=(-std=c++20 -O1 -g -fno-omit-frame-pointer -Wall -Wextra
       -fsanitize=fuzzer,address,undefined -fno-sanitize-recover=undefined
       -I"$source_dir")
launcher=()
if command -v ccache >/dev/null 2>&1; then
  launcher=(ccache)
fi

mkdir -p "$work_dir/objects"
fuzzer=$work_dir/language_file_fuzzer

# clang without its libFuzzer runtime cannot build the fuzzer: skip rather than fail.
probe=$work_dir/runtime-probe
if [ ! -x "$fuzzer" ] && ! printf 'extern "C" int LLVMFuzzerTestOneInput(const char*, unsigned long) { return 0; }\n' |
    clang++ -x c++ -fsanitize=fuzzer - -o "$probe" >/dev/null 2>&1; then
  echo "clang++ cannot link libFuzzer: the fuzz test needs libclang-rt-14-dev"
  exit 77
fi
rm -f "$probe"

# Rebuild when any source or header of the reader is newer than the fuzzer.
needs_build=no
if [ ! -x "$fuzzer" ]; then
  needs_build=yes
else
  for file in "${sources[@]/#/$source_dir/}" "$source_dir"/language/*.h; do
    if [ "$file" -nt "$fuzzer" ]; then
      needs_build=yes
      break
    fi
  done
fi

if [ "$needs_build" = yes ]; then
  objects=()
  for source in "${sources[@]}"; do
    object=$work_dir/objects/$(basename "${source%.cpp}").o
    nice -n 10 "${launcher[@]}" clang++ "${flags[@]}" -c "$source_dir/$source" -o "$object"
    objects+=("$object")
  done
  nice -n 10 clang++ "${flags[@]}" "${objects[@]}" -o "$fuzzer"
fi

# Seed with the shipped language files, each behind the encoding byte its name gives.
seeds=$work_dir/seeds
mkdir -p "$seeds"
for file in "$source_dir"/resources/language/*.ini; do
  name=$(basename "$file" .ini)
  case "${name,,}" in
    *_utf-8*) marker='\x02' ;;
    *_unicode*) marker='\x01' ;;
    *) marker='\x00' ;;
  esac
  { printf "$marker"; cat "$file"; } > "$seeds/$name"
done

# New inputs go to a corpus of this run only, so the build tree does not grow run after run.
corpus=$(mktemp -d)
trap 'rm -rf "$corpus"' EXIT
# A finding must fail the test: libFuzzer's own error code, 77, would read as "skipped".
"$fuzzer" "$corpus" "$seeds" \
  -dict="$source_dir/tests/language/fuzz/language.dict" \
  -max_total_time="$seconds" -max_len=16384 -rss_limit_mb=2048 -timeout=10 \
  -error_exitcode=1 -artifact_prefix="$work_dir/" -print_final_stats=1
