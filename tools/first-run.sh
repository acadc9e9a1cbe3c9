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

# The glossary's text control lives in the rolda library, which registers itself.
"$(dirname "$0")/register-rolda.sh" "$build" >/dev/null

expert="$config/expert.ini"
if [ ! -e "$expert" ]; then
  section=$(sed -n 's/^[Dd][Ii][Rr][Dd][Ee][Ff]=\(.*\)\r$/\1/p' "$course/inst.ini")
  printf '[%s]\r\nBDW=%s\r\n[tamsel]\r\nBDW=%s\r\n' "${section:-CURSO}" "$learner" "$learner" > "$expert"
  echo "tamsel: wrote $expert (learner database $learner)"
fi
