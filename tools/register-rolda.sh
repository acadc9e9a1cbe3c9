#!/usr/bin/env bash
# register-rolda.sh BUILD_DIR: records the freshly built control library rolda in the
# user's component registry, so that the player finds rolda.etidesp2.
set -euo pipefail

build=${1:?usage: register-rolda.sh BUILD_DIR}
tool="$build/tools/regcontrol/tamsel-regcontrol"
library="$build/controls/etidesp2/librolda.so"

for f in "$tool" "$library"; do
  [ -e "$f" ] || { echo "register-rolda: $f is missing; build first (cmake --build $build)" >&2; exit 1; }
done
"$tool" "$library"
