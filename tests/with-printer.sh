#!/usr/bin/env bash
# Runs "$@" under a private CUPS scheduler whose one queue, tamsel_pdf, prints through
# the cups-pdf backend and is the default printer. The scheduler keeps its configuration,
# spool, logs and socket in a temporary folder, serves no web interface, is stopped by
# its own PID when the command ends, and the command's exit status is returned.
# cups-pdf writes each job into the submitting user's ~/PDF; TAMSEL_PRINT_OUT names
# that folder for the tests that read the PDF back. The queue's filters pass the job
# through PostScript, which keeps the pages but not the fonts' character map, so the
# text a program sent is read from the job file the scheduler keeps: TAMSEL_PRINT_SPOOL
# names the folder that holds it (d<job>-001).
set -uo pipefail

if [ $# -eq 0 ]; then
  echo "usage: $0 COMMAND [ARGS...]" >&2
  exit 2
fi
command -v cupsd >/dev/null || { echo "with-printer: cupsd is not installed (tools/setup-debian.sh)" >&2; exit 1; }
command -v lpstat >/dev/null || { echo "with-printer: lpstat is not installed (cups-client)" >&2; exit 1; }
backend=/usr/lib/cups/backend/cups-pdf
ppd=/usr/share/ppd/cups-pdf/CUPS-PDF_opt.ppd
[ -e "$backend" ] && [ -e "$ppd" ] || { echo "with-printer: cups-pdf is not installed (printer-driver-cups-pdf)" >&2; exit 1; }

root=$(mktemp -d "${TMPDIR:-/tmp}/tamsel-printer.XXXXXX")
cups_pid=""
cleanup() {
  if [ -n "$cups_pid" ] && kill -0 "$cups_pid" 2>/dev/null; then
    kill -TERM "$cups_pid" 2>/dev/null
    for _ in $(seq 50); do kill -0 "$cups_pid" 2>/dev/null || break; sleep 0.1; done
    kill -0 "$cups_pid" 2>/dev/null && kill -KILL "$cups_pid" 2>/dev/null
    wait "$cups_pid" 2>/dev/null
  fi
  rm -rf "$root"
}
trap cleanup EXIT
trap 'exit 130' INT
trap 'exit 143' TERM

mkdir -p "$root/etc/ppd" "$root/spool/tmp" "$root/cache" "$root/state/certs" "$root/log"
chmod -R 755 "$root"
socket="$root/cups.sock"

cat >"$root/etc/cups-files.conf" <<CONF
User lp
Group lp
SystemGroup root
ServerRoot $root/etc
RequestRoot $root/spool
TempDir $root/spool/tmp
CacheDir $root/cache
StateDir $root/state
AccessLog $root/log/access_log
ErrorLog $root/log/error_log
PageLog $root/log/page_log
CONF
cat >"$root/etc/cupsd.conf" <<CONF
Listen $socket
WebInterface No
Browsing Off
LogLevel warn
PreserveJobFiles Yes
DefaultAuthType None
<Location />
  Order allow,deny
  Allow all
</Location>
CONF
# The queue is written where the scheduler reads its queues at start: no lpadmin,
# no authentication to arrange.
cp "$ppd" "$root/etc/ppd/tamsel_pdf.ppd"
cat >"$root/etc/printers.conf" <<CONF
<DefaultPrinter tamsel_pdf>
PrinterId 1
Info tamsel test printer
MakeModel cups-pdf
DeviceURI cups-pdf:/
State Idle
Type 8388612
Accepting Yes
Shared No
</DefaultPrinter>
CONF

cupsd -f -c "$root/etc/cupsd.conf" -s "$root/etc/cups-files.conf" &
cups_pid=$!

export CUPS_SERVER="$socket"
ready=""
for _ in $(seq 100); do
  if ! kill -0 "$cups_pid" 2>/dev/null; then break; fi
  if lpstat -d 2>/dev/null | grep -q tamsel_pdf; then ready=1; break; fi
  sleep 0.1
done
if [ -z "$ready" ]; then
  echo "with-printer: the CUPS scheduler did not start:" >&2
  cat "$root/log/error_log" >&2 2>/dev/null
  exit 1
fi

home=$(getent passwd "$(id -un)" | cut -d: -f6)
export TAMSEL_PRINT_OUT="$home/PDF"
export TAMSEL_PRINT_SPOOL="$root/spool"
mkdir -p "$TAMSEL_PRINT_OUT"

"$@"
status=$?
exit "$status"
