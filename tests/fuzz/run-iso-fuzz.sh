#!/usr/bin/env bash
# Builds the disc tree reader's fuzzer, replays every crasher ever found, then fuzzes for
# SECONDS seeded with small images of every kind the tests make: plain ISO 9660 at each
# level, Joliet, Rock Ridge (genisoimage) and both (xorriso), with nested folders, long
# and accented names (see run-fuzz.sh).
#   run-iso-fuzz.sh SOURCE_DIR BUILD_DIR SECONDS
set -euo pipefail
source_dir=$1 build_dir=$2 seconds=$3
command -v genisoimage >/dev/null && command -v xorriso >/dev/null \
  || { echo "iso fuzz: genisoimage and xorriso are not installed (tools/setup-debian.sh)" >&2; exit 1; }
seeds=$(mktemp -d "${TMPDIR:-/tmp}/iso-seeds.XXXXXX")
trap 'rm -rf "$seeds"' EXIT
tree="$seeds/tree"
mkdir -p "$tree/SONIDOS/LARGOS" "$tree/Sonidos largos"
printf 'x' >"$tree/BBM.MDB"
printf 'ab' >"$tree/SONIDOS/FONDO.WAV"
printf 'abc' >"$tree/SONIDOS/LARGOS/UNO.WAV"
printf 'abcd' >"$tree/Sonidos largos/Música de fondo.wav"
printf 'e' >"$tree/LEEME"
n=0
for options in "-iso-level 1" "-iso-level 2" "-iso-level 3" "-J" "-R" "-R -J"; do
  n=$((n + 1))
  # shellcheck disable=SC2086
  genisoimage -quiet -no-pad $options -o "$seeds/seed$n.iso" "$tree"
done
xorriso -as mkisofs -quiet -R -J -o "$seeds/xorriso.iso" "$tree" 2>/dev/null
rm -rf "$tree"
exec "$source_dir/tests/fuzz/run-fuzz.sh" iso "$source_dir/tests/fuzz/iso" "$build_dir" \
  "$source_dir/tests/fuzz/iso-crashers" "$seeds" "*.iso" "$seconds" 1048576
