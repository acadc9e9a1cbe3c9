#!/usr/bin/env bash
# Builds one fuzzer (clang, libFuzzer, AddressSanitizer, UndefinedBehaviorSanitizer) from
# its own CMake project, replays every crasher ever found for it, then fuzzes for SECONDS
# seeded with a copy of the corpus. Fails on any finding and says where the input that
# caused it was written.
#   run-fuzz.sh NAME PROJECT_DIR BUILD_DIR CRASHERS_DIR CORPUS_DIR CORPUS_GLOB SECONDS MAX_LEN
set -euo pipefail
name=$1 project_dir=$2 build_dir=$3 crashers=$4 corpus_dir=$5 corpus_glob=$6 seconds=$7 max_len=$8

if [ ! -d "$corpus_dir" ]; then
  echo "$name fuzz: the corpus is missing: $corpus_dir does not exist" >&2
  exit 1
fi
compiler=$(command -v clang++-14 || command -v clang++ || true)
ccompiler=$(command -v clang-14 || command -v clang || true)
if [ -z "$compiler" ]; then
  echo "$name fuzz: clang++ is not installed (tools/setup-debian.sh installs it)" >&2
  exit 1
fi

if [ ! -f "$build_dir/build.ninja" ]; then
  cmake -S "$project_dir" -B "$build_dir" -G Ninja \
    -DCMAKE_BUILD_TYPE=RelWithDebInfo -DCMAKE_CXX_COMPILER="$compiler" -DCMAKE_C_COMPILER="$ccompiler" >/dev/null
fi
cmake --build "$build_dir" -j1
fuzzer="$build_dir/${name}_fuzzer"

work=$(mktemp -d "${TMPDIR:-/tmp}/$name-fuzz.XXXXXX")
# Leaks are looked for after every input; the check at exit is off because fontconfig and
# Qt keep caches until then, and LeakSanitizer's thread stopper is not reliable with the
# threads Qt leaves running.
export ASAN_OPTIONS=${ASAN_OPTIONS:-detect_leaks=1:leak_check_at_exit=0:allocator_may_return_null=1}
export LSAN_OPTIONS=${LSAN_OPTIONS:-suppressions=$(dirname "$0")/lsan.supp}
export UBSAN_OPTIONS=${UBSAN_OPTIONS:-print_stacktrace=1:halt_on_error=1}

shopt -s nullglob
mkdir -p "$crashers"
regressions=("$crashers"/*)
if [ ${#regressions[@]} -gt 0 ]; then
  echo "$name fuzz: replaying ${#regressions[@]} earlier crashers"
  "$fuzzer" -rss_limit_mb=2048 -timeout=20 "${regressions[@]}"
fi

mkdir -p "$work/corpus" "$work/artifacts"
# shellcheck disable=SC2086
cp $corpus_dir/$corpus_glob "$work/corpus/"
status=0
"$fuzzer" -max_total_time="$seconds" -max_len="$max_len" -timeout=20 -rss_limit_mb=2048 \
  -print_final_stats=1 ${FUZZ_EXTRA:-} -artifact_prefix="$work/artifacts/" \
  "$work/corpus" "$crashers" || status=$?
if [ $status -ne 0 ]; then
  echo "$name fuzz: the fuzzer found a fault; the input is in $work/artifacts/." >&2
  echo "$name fuzz: add it to $crashers/ so that it is replayed for good." >&2
  ls -l "$work/artifacts" >&2
  exit 1
fi
rm -rf "$work"
