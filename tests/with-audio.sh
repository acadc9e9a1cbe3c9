#!/usr/bin/env bash
# Runs "$@" under a private PulseAudio daemon whose only sink is a null sink
# (tamsel_null) and whose default source is a virtual microphone made from that
# sink's monitor (tamsel_mic), so that tests can record what the program plays.
# The daemon lives in its own temporary folder, is stopped by its own PID when the
# command ends, and the command's exit status is returned.
#
# Root: pulseaudio only warns ("not intended to be run as root") when it is not
# started with --system; with -n, an explicit module list and a runtime folder of
# its own it runs as a per-session daemon for root as well.
set -uo pipefail

if [ $# -eq 0 ]; then
  echo "usage: $0 COMMAND [ARGS...]" >&2
  exit 2
fi
command -v pulseaudio >/dev/null || { echo "with-audio: pulseaudio is not installed (tools/setup-debian.sh)" >&2; exit 1; }
command -v pactl >/dev/null || { echo "with-audio: pactl is not installed (pulseaudio-utils)" >&2; exit 1; }

root=$(mktemp -d "${TMPDIR:-/tmp}/tamsel-audio.XXXXXX")
pa_pid=""
cleanup() {
  if [ -n "$pa_pid" ] && kill -0 "$pa_pid" 2>/dev/null; then
    kill -TERM "$pa_pid" 2>/dev/null
    for _ in $(seq 50); do kill -0 "$pa_pid" 2>/dev/null || break; sleep 0.1; done
    kill -0 "$pa_pid" 2>/dev/null && kill -KILL "$pa_pid" 2>/dev/null
    wait "$pa_pid" 2>/dev/null
  fi
  rm -rf "$root"
}
trap cleanup EXIT
trap 'exit 130' INT
trap 'exit 143' TERM

mkdir -p "$root/run" "$root/state" "$root/home"
chmod 700 "$root/run"
socket="$root/run/native"

cat >"$root/default.pa" <<EOF
load-module module-native-protocol-unix auth-anonymous=1 socket=$socket
load-module module-null-sink sink_name=tamsel_null rate=48000 channels=2 sink_properties=device.description=tamsel_null
load-module module-remap-source master=tamsel_null.monitor source_name=tamsel_mic source_properties=device.description=tamsel_mic
set-default-sink tamsel_null
set-default-source tamsel_mic
EOF
# Clients must never start a daemon of their own behind our back.
printf 'autospawn = no\n' >"$root/client.conf"

export PULSE_RUNTIME_PATH="$root/run"
export PULSE_STATE_PATH="$root/state"
export PULSE_CLIENTCONFIG="$root/client.conf"
export PULSE_SERVER="unix:$socket"
export PULSE_SINK=tamsel_null
export PULSE_SOURCE=tamsel_mic
# The cookie and per-user files land in the private home, not in the caller's.
export PULSE_COOKIE="$root/home/cookie"

HOME="$root/home" XDG_CONFIG_HOME="$root/home/.config" XDG_RUNTIME_DIR="$root/run" \
  pulseaudio -n -F "$root/default.pa" --daemonize=no --use-pid-file=no \
    --exit-idle-time=-1 --disallow-exit --disallow-module-loading=no \
    --log-level=error --log-target=file:"$root/pulseaudio.log" &
pa_pid=$!

ready=""
for _ in $(seq 100); do
  if ! kill -0 "$pa_pid" 2>/dev/null; then break; fi
  if pactl info >/dev/null 2>&1; then ready=1; break; fi
  sleep 0.1
done
if [ -z "$ready" ]; then
  echo "with-audio: the PulseAudio daemon did not start:" >&2
  cat "$root/pulseaudio.log" >&2 2>/dev/null
  exit 1
fi

"$@"
status=$?
exit "$status"
