#!/usr/bin/env bash
# Prepares this user for the demo course the first time `make run` starts it:
# the learner database in the user's data folder and an expert.ini naming it.
# A user's existing files are never overwritten.
set -euo pipefail
build=${1:-build}
course="$build/course"
config="${XDG_CONFIG_HOME:-$HOME/.config}/tamsel"
data="${XDG_DATA_HOME:-$HOME/.local/share}/tamsel"
mkdir -p "$config" "$data"

learner="$data/usrcurso.mdb"
[ -e "$learner" ] || cp "$course/usrcurso.mdb" "$learner"
# The recorder's template lives beside the learner database, as an installed course had it.
[ -e "$data/ejgrab.wav" ] || [ ! -e "$course/ejgrab.wav" ] || cp "$course/ejgrab.wav" "$data/ejgrab.wav"

# The glossary's text control lives in the rolda library, which registers itself.
"$(dirname "$0")/register-rolda.sh" "$build" >/dev/null

expert="$config/expert.ini"
if [ ! -e "$expert" ]; then
  # inst.ini is Windows-1252 and the learner's path is spelt as this system spells file
  # names (UTF-8): written side by side as they come, a section or home folder with an
  # accent would make a file that is neither. The player reads a file that is valid
  # UTF-8 as UTF-8, so the section is converted and the whole file is UTF-8. (sed reads
  # bytes: in a UTF-8 locale its '.' would not match an accented Windows-1252 letter.)
  section=$(LC_ALL=C sed -n 's/^[Dd][Ii][Rr][Dd][Ee][Ff]=\(.*\)\r$/\1/p' "$course/inst.ini" | iconv -f WINDOWS-1252 -t UTF-8)
  printf '[%s]\r\nBDW=%s\r\n[tamsel]\r\nBDW=%s\r\n' "${section:-CURSO}" "$learner" "$learner" > "$expert"
  echo "tamsel: wrote $expert (learner database $learner)"
fi
