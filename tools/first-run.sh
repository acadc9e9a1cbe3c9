#!/usr/bin/env bash
# Prepares this user for the demo course before `make run` starts it: registers the
# freshly built control library rolda in the user's component registry (an installed
# player finds the installation's registration instead).
# The rest of a first start, the learner database and an expert.ini naming it, the
# player does by itself when the course carries a learner database (shell/FirstRun),
# for the demo course as for the installed one, never overwriting the user's files.
set -euo pipefail
build=${1:-build}

# The glossary's text control lives in the rolda library, which registers itself.
"$(dirname "$0")/register-rolda.sh" "$build" >/dev/null
