#!/usr/bin/env bash
# Builds the RTF fuzzer (clang, libFuzzer, AddressSanitizer, UndefinedBehaviorSanitizer),
# replays every crasher ever found, then fuzzes for SECONDS seeded with a copy of the RTF
# corpus. Fails on any finding and says where the input that caused it was written.
#   run-rtf-fuzz.sh SOURCE_DIR BUILD_DIR CORPUS_DIR SECONDS
set -euo pipefail
source_dir=$1 build_dir=$2 corpus_dir=$3 seconds=$4
crashers="$source_dir/tests/fuzz/rtf-crashers"

if [ ! -d "$corpus_dir" ]; then
  echo "rtf fuzz: the RTF corpus is missing: $corpus_dir does not exist" >&2
  exit 1
fi
compiler=$(command -v clang++-14 || command -v clang++ || true)
if [ -z "$compiler" ]; then
  echo "rtf fuzz: clang++ is not installed (tools/setup-debian.sh installs it)" >&2
  exit 1
fi

if [ ! -f "$build_dir/build.ninja" ]; then
  cmake -S "$source_dir/tests/fuzz" -B "$build_dir" -G Ninja \
    -DCMAKE_BUILD_TYPE=RelWithDebInfo -DCMAKE_CXX_COMPILER="$compiler" >/dev/null
fi
cmake --build "$build_dir" -j1
fuzzer="$build_dir/rtf_fuzzer"

work=$(mktemp -d "${TMPDIR:-/tmp}/rtf-fuzz.XXXXXX")
# Leaks are looked for after every input; the check at exit is off because fontconfig and
# Qt keep caches until then, and LeakSanitizer's thread stopper is not reliable with the
# threads Qt leaves running.
export ASAN_OPTIONS=${ASAN_OPTIONS:-detect_leaks=1:leak_check_at_exit=0:allocator_may_return_null=1}
export LSAN_OPTIONS=${LSAN_OPTIONS:-suppressions=$source_dir/tests/fuzz/lsan.supp}
export UBSAN_OPTIONS=${UBSAN_OPTIONS:-print_stacktrace=1:halt_on_error=1}

shopt -s nullglob
regressions=("$crashers"/*)
if [ ${#regressions[@]} -gt 0 ]; then
  echo "rtf fuzz: replaying ${#regressions[@]} earlier crashers"
  "$fuzzer" -rss_limit_mb=2048 -timeout=20 "${regressions[@]}"
fi

mkdir -p "$work/corpus" "$work/artifacts"
cp "$corpus_dir"/*.rtf "$work/corpus/"
status=0
"$fuzzer" -max_total_time="$seconds" -max_len=65536 -timeout=20 -rss_limit_mb=2048 \
  -print_final_stats=1 -artifact_prefix="$work/artifacts/" \
  "$work/corpus" "$crashers" || status=$?
if [ $status -ne 0 ]; then
  echo "rtf fuzz: the fuzzer found a fault; the input is in $work/artifacts/." >&2
  echo "rtf fuzz: add it to tests/fuzz/rtf-crashers/ so that it is replayed for good." >&2
  ls -l "$work/artifacts" >&2
  exit 1
fi
rm -rf "$work"
