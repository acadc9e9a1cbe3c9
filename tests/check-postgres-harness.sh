#!/usr/bin/env bash
# The private cluster of tests/with-postgres.sh trusts whoever reaches its socket, so the
# socket must be out of every other local user's reach: checked here from such a user
# (as root, through runuser), before and after "allow", across a restart, and after "deny".
# Run inside the harness; exit 77 (skipped) outside it.
set -uo pipefail
[ -n "${TAMSEL_PG_SOCKET:-}" ] || { echo "needs tests/with-postgres.sh"; exit 77; }
failed=0
fail() { echo "FAIL: $*"; failed=1; }

mode=$(stat -c %a "$TAMSEL_PG_SOCKET")
[ "$mode" = 700 ] || fail "the socket folder has mode $mode, not 700"
sock="$TAMSEL_PG_SOCKET/.s.PGSQL.5432"
[ -S "$sock" ] || fail "no socket in $TAMSEL_PG_SOCKET"
[ "$(stat -c %a "$sock")" = 700 ] || fail "the socket has mode $(stat -c %a "$sock"), not 700"
psql -X -tA -c "select 1" >/dev/null || fail "the harness's own user cannot connect"

if [ "$(id -u)" -ne 0 ]; then
  echo "ok (another user's view needs root)"
  exit "$failed"
fi
other=nobody
as_other() { runuser -u "$other" -- psql -X -tA -h "$TAMSEL_PG_SOCKET" -U "$PGUSER" -d postgres -c "select current_user" 2>&1; }
said=$(as_other) && fail "$other reached the cluster as its superuser: $said"
"$TAMSEL_PG_CTL" allow "$other" || fail "allow $other failed"
said=$(as_other) || fail "$other, allowed, could not connect: $said"
"$TAMSEL_PG_CTL" stop && "$TAMSEL_PG_CTL" start || fail "the restart failed"
said=$(as_other) || fail "$other, allowed, could not connect after a restart: $said"
"$TAMSEL_PG_CTL" deny || fail "deny failed"
said=$(as_other) && fail "$other still reached the cluster after deny: $said"
[ "$(stat -c %a "$TAMSEL_PG_SOCKET")" = 700 ] || fail "deny left the socket folder open"
[ "$failed" -eq 0 ] && echo ok
exit "$failed"
