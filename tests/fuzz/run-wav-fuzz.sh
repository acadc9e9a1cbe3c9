#!/usr/bin/env bash
# Builds the WAVE header reader's fuzzer (NAME wav) or the sound converter's (wavconvert),
# replays every crasher ever found, then fuzzes for SECONDS seeded with short sounds in
# every coding sox and ffmpeg write (see run-fuzz.sh).
#   run-wav-fuzz.sh SOURCE_DIR BUILD_DIR SECONDS [NAME]
set -euo pipefail
source_dir=$1 build_dir=$2 seconds=$3 name=${4:-wav}
command -v sox >/dev/null || { echo "wav fuzz: sox is not installed (tools/setup-debian.sh)" >&2; exit 1; }
seeds=$(mktemp -d "${TMPDIR:-/tmp}/wav-seeds.XXXXXX")
trap 'rm -rf "$seeds"' EXIT
n=0
for coding in "-b 8 -e unsigned" "-b 16" "-b 24" "-b 32 -e float" "-e ms-adpcm" "-e ima-adpcm" "-e u-law" "-e a-law" "-e gsm-full-rate"; do
  for channels in 1 2; do
    n=$((n + 1))
    # shellcheck disable=SC2086
    sox -n -r 8000 -c $channels $coding "$seeds/seed$n.wav" synth 0.05 sine 440 2>/dev/null || true
  done
done
# Odd chunk sizes and chunks around the data: a cue list and an info list, as editors add them.
sox -n -r 11025 -c 1 -b 8 -e unsigned "$seeds/odd.wav" synth 0.0101 sine 300
printf 'LIST\x0b\x00\x00\x00INFOabcdefg\x00' >> "$seeds/odd.wav"
# MPEG in a WAVE file, which only the converter's decoder reads.
if command -v ffmpeg >/dev/null; then
  ffmpeg -loglevel error -y -i "$seeds/seed3.wav" -c:a libmp3lame -f wav "$seeds/mp3.wav" || true
fi
exec "$source_dir/tests/fuzz/run-fuzz.sh" "$name" "$source_dir/tests/fuzz/$name" "$build_dir" \
  "$source_dir/tests/fuzz/$name-crashers" "$seeds" "*.wav" "$seconds" 4096
