#!/usr/bin/env bash
# Builds the subtitle reader's fuzzer, replays every crasher ever found, then fuzzes for
# SECONDS seeded with SubRip, WebVTT and ASS files ffmpeg writes from a small SubRip file,
# in UTF-8, UTF-16 and Windows-1252 (see run-fuzz.sh).
#   run-subtitles-fuzz.sh SOURCE_DIR BUILD_DIR SECONDS
set -euo pipefail
source_dir=$1 build_dir=$2 seconds=$3
command -v ffmpeg >/dev/null || { echo "subtitles fuzz: ffmpeg is not installed (tools/setup-debian.sh)" >&2; exit 1; }
seeds=$(mktemp -d "${TMPDIR:-/tmp}/subtitles-seeds.XXXXXX")
trap 'rm -rf "$seeds"' EXIT
printf '1\r\n00:00:01,250 --> 00:00:03,500\r\n<i>Where are</i>\r\nyou going?\r\n\r\n2\r\n00:00:04,000 --> 00:00:05,120 X1:1\r\n{\\an8}- To Espa\xc3\xb1a.\r\n- Now?\r\n\r\n3\r\n00:00:05,000 --> 00:00:04,000\r\nbackwards &amp; <b>bold</b>\r\n' > "$seeds/seed.srt"
ffmpeg -loglevel error -y -i "$seeds/seed.srt" "$seeds/seed.vtt"
ffmpeg -loglevel error -y -i "$seeds/seed.srt" "$seeds/seed.ass"
iconv -f UTF-8 -t UTF-16 "$seeds/seed.srt" > "$seeds/seed16.srt"
# A cue of an ASS track inside a Matroska video, as its demuxer hands it over.
printf '3,0,Default,Ana,0,0,0,,{\\i1}Hola,{\\i0} t\xc3\xba\\Nmundo' > "$seeds/seed-event"
iconv -f UTF-8 -t WINDOWS-1252 "$seeds/seed.srt" > "$seeds/seed1252.srt"
export FUZZ_EXTRA="${FUZZ_EXTRA:-} -dict=$source_dir/tests/fuzz/subtitles/subtitles.dict"
exec "$source_dir/tests/fuzz/run-fuzz.sh" subtitles "$source_dir/tests/fuzz/subtitles" "$build_dir" \
  "$source_dir/tests/fuzz/subtitles-crashers" "$seeds" "seed*" "$seconds" 16384
