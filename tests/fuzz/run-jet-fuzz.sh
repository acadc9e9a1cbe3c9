#!/usr/bin/env bash
# Builds the Jet reader's fuzzer, replays every crasher ever found, then fuzzes for
# SECONDS seeded with the smaller Jet fixtures (see run-fuzz.sh).
#   run-jet-fuzz.sh SOURCE_DIR BUILD_DIR FIXTURE_DIR SECONDS
set -euo pipefail
source_dir=$1 build_dir=$2 fixture_dir=$3 seconds=$4
if [ ! -d "$fixture_dir" ]; then
  echo "jet fuzz: the Jet fixtures are missing: $fixture_dir does not exist" >&2
  exit 1
fi
# The three-megabyte fixtures would only slow each run down; the small ones hold every
# column type and both versions.
seeds=$(mktemp -d "${TMPDIR:-/tmp}/jet-seeds.XXXXXX")
trap 'rm -rf "$seeds"' EXIT
for f in "$fixture_dir"/*.mdb; do
  [ "$(stat -c %s "$f")" -le 400000 ] && cp "$f" "$seeds/"
done
# The reader runs in a child process: a sanitizer's report there ends it with status 86,
# which the fuzz entry turns into a finding; libmdb's own crashes (SIGSEGV, left to the
# system) are errors the player reports, as it must. The child's standard error is
# silenced (libmdb dumps pages there), so sanitizer reports are written to files.
reports="${TMPDIR:-/tmp}/jet-fuzz-reports"
mkdir -p "$reports"
export ASAN_OPTIONS=${ASAN_OPTIONS:-detect_leaks=1:leak_check_at_exit=0:allocator_may_return_null=1:exitcode=86:handle_segv=0:log_path=$reports/asan}
export UBSAN_OPTIONS=${UBSAN_OPTIONS:-print_stacktrace=1:halt_on_error=1:exitcode=86:log_path=$reports/ubsan}
# Saved queries that try to run as scripts, among the mutations.
export FUZZ_EXTRA="${FUZZ_EXTRA:-} -dict=$source_dir/tests/fuzz/jet/jet.dict"
status=0
"$source_dir/tests/fuzz/run-fuzz.sh" jet "$source_dir/tests/fuzz/jet" "$build_dir" \
  "$source_dir/tests/fuzz/jet-crashers" "$seeds" "*.mdb" "$seconds" 400000 || status=$?
if [ $status -ne 0 ]; then
  echo "jet fuzz: sanitizer reports, if any, are in $reports/" >&2
  exit $status
fi
rm -rf "$reports"
