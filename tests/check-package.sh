#!/usr/bin/env bash
# check-package.sh BUILD_DIR: builds the Debian package of BUILD_DIR as `make package`
# does, into a temporary folder, and checks it: its files are exactly those `make
# install` puts under /usr, its dependencies name the libraries and the GStreamer
# plugins the player loads, and lintian finds no error in it.
set -euo pipefail
build=${1:?usage: check-package.sh BUILD_DIR}
work=$(mktemp -d)
trap 'rm -rf "$work"' EXIT

fail() { echo "check-package: $*" >&2; exit 1; }

cpack --config "$build/CPackConfig.cmake" -B "$work/package" >"$work/cpack.log" 2>&1 \
  || { cat "$work/cpack.log" >&2; fail "cpack could not build the package"; }
debs=("$work"/package/*.deb)
[ ${#debs[@]} -eq 1 ] && [ -f "${debs[0]}" ] || fail "cpack made ${#debs[@]} packages: ${debs[*]}"
deb=${debs[0]}

DESTDIR="$work/installed" cmake --install "$build" --prefix /usr >"$work/install.log" 2>&1 \
  || { cat "$work/install.log" >&2; fail "make install into a DESTDIR failed"; }
(cd "$work/installed" && find . -mindepth 1 ! -type d | sed 's|^\./|/|' | LC_ALL=C sort) >"$work/installed.txt"
# dpkg-deb -c lists "mode owner size date time name": the name is what follows the fifth field.
dpkg-deb -c "$deb" | grep -v '^d' | sed -E 's/^([^ ]+ +){5}//; s|^\./|/|' | LC_ALL=C sort >"$work/packaged.txt"
diff -u --label installed --label packaged "$work/installed.txt" "$work/packaged.txt" >&2 \
  || fail "the package's files differ from what make install installs (- only installed, + only packaged)"
grep -qx /usr/share/tamsel/components.json "$work/packaged.txt" || fail "the package holds no registration of rolda"

depends=$(dpkg-deb -f "$deb" Depends)
for needed in libqt6widgets6 libqt6multimedia6 libsqlite3-0 gstreamer1.0-plugins-good gstreamer1.0-libav; do
  [[ ", $depends," == *", $needed"[\ ,]* ]] || fail "Depends lacks $needed: $depends"
done

lintian --fail-on error "$deb" >"$work/lintian.log" 2>&1 || { cat "$work/lintian.log" >&2; fail "lintian found errors in $(basename "$deb")"; }
grep -v 'root privileges' "$work/lintian.log" || true
echo "check-package: $(basename "$deb") holds $(wc -l <"$work/packaged.txt") files, as make install does"
