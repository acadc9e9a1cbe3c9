#!/usr/bin/env bash
# Prepares this user for the demo course before `make run` starts it: registers the
# freshly built control library rolda in the user's component registry (an installed
# player finds the installation's registration instead).
# The rest of a first start, the course's own copy of its learner database and its
# section in expert.ini naming it, the player does by itself for each course that carries
# a learner database (shell/FirstRun), for the demo course as for the installed one,
# never changing the user's files.
set -euo pipefail
build=${1:-build}

# The glossary's text control lives in the rolda library, which registers itself.
"$(dirname "$0")/register-rolda.sh" "$build" >/dev/null
