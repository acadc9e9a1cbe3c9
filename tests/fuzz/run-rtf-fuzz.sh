#!/usr/bin/env bash
# Builds the RTF fuzzer, replays every crasher ever found, then fuzzes for SECONDS seeded
# with a copy of the RTF corpus (see run-fuzz.sh).
#   run-rtf-fuzz.sh SOURCE_DIR BUILD_DIR CORPUS_DIR SECONDS
set -euo pipefail
source_dir=$1 build_dir=$2 corpus_dir=$3 seconds=$4
exec "$source_dir/tests/fuzz/run-fuzz.sh" rtf "$source_dir/tests/fuzz" "$build_dir" \
  "$source_dir/tests/fuzz/rtf-crashers" "$corpus_dir" "*.rtf" "$seconds" 65536
