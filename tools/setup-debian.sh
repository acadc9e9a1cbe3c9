#!/usr/bin/env bash
# Installs the Debian packages that building, running and testing tamsel need,
# but only those that are missing, so that a second run costs nothing.
set -euo pipefail

packages=(
  # build
  cmake ninja-build g++ ccache pkg-config libbenchmark-dev
  qt6-base-dev qt6-base-dev-tools qt6-multimedia-dev qt6-tools-dev qt6-tools-dev-tools
  libxcb1-dev libxcb-randr0-dev
  libqt6sql6-sqlite libqt6opengl6-dev libgl-dev libsqlite3-dev
  # slow replay of a phrase keeps its pitch through a GStreamer pipeline of our own (scaletempo)
  libgstreamer1.0-dev
  # the intonation of a phrase and of the learner's take: pitch and onset detection
  libaubio-dev
  # a subtitle's word looked up under its base form ("notes" is "note", never "not"): the
  # Snowball stemmer
  libstemmer-dev
  # reading courses whose databases are legacy Jet files; mdbtools shows what a file holds (tests)
  mdbtools-dev libmdb3 mdbtools
  # playing a course straight from its disc image (ISO 9660, BIN/CUE and NRG through
  # libcdio's drivers); the tests make their images with genisoimage and xorriso
  libcdio-dev libiso9660-dev genisoimage xorriso
  # decoding the period's sound codings (ADPCM, A-law, mu-law, MPEG in WAVE) that GStreamer mis-times
  libsndfile1-dev
  # runtime: sound, video, the GStreamer codecs the course media use
  qt6-qpa-plugins libqt6multimedia6 libqt6multimediawidgets6
  # Qt's own dialogs and buttons in the learner's language (qtbase_es.qm and the rest)
  qt6-translations-l10n
  gstreamer1.0-plugins-base gstreamer1.0-plugins-good gstreamer1.0-plugins-bad
  gstreamer1.0-libav gstreamer1.0-pulseaudio pulseaudio pulseaudio-utils
  fonts-dejavu-core
  # the demo course's media are generated at build time
  espeak-ng sox libsox-fmt-all ffmpeg
  # the demo glossary imports these dictionaries (GPL; read at build time, never committed)
  dict-freedict-spa-eng dict-freedict-eng-spa
  # and each language's word lists (British spellings too: the data writes "colour"), to tell a
  # word from words run together in that data
  wamerican wbritish wspanish
  # tests: a real X server, real input events, a fuzzer
  xvfb xauth x11-utils xdotool imagemagick clang libclang-rt-14-dev
  # tests that print: a private scheduler, a PDF printer, and tools to read the PDF back
  cups-daemon cups-client printer-driver-cups-pdf poppler-utils
  # the classroom: the learners' records on a PostgreSQL server (libpq); tests run a private
  # PostgreSQL 15 cluster (tests/with-postgres.sh)
  libpq-dev libpq5 postgresql-15 postgresql-client-15
  # tests of the teacher's report: its HTML page loaded in a real headless browser
  chromium
  # installing and packaging: manual pages, the Debian package and the checks of what it holds
  help2man dpkg-dev file lintian desktop-file-utils appstream
  # the manual pages are written in Spanish: glibc's locale sources, made into a locale by
  # localedef at build time
  locales
)

missing=()
for p in "${packages[@]}"; do
  dpkg-query -W -f='${Status}' "$p" 2>/dev/null | grep -q "install ok installed" || missing+=("$p")
done
[ ${#missing[@]} -eq 0 ] && exit 0

echo "tamsel: installing ${missing[*]}"
sudo=""
if [ "$(id -u)" -ne 0 ]; then
  command -v sudo >/dev/null || { echo "tamsel: run as root or install sudo" >&2; exit 1; }
  sudo=sudo
fi
$sudo apt-get update -qq
DEBIAN_FRONTEND=noninteractive $sudo apt-get install -y -qq --no-install-recommends "${missing[@]}"
