#!/usr/bin/env bash
# Runs "$@" beside a private PostgreSQL 15 cluster: made by initdb in a temporary folder,
# listening on a unix socket in a folder of its own and on no TCP port, and stopped (by
# its own pg_ctl) when the command ends; the command's exit status is returned.
#
# The command finds it through the environment:
#   TAMSEL_PG_SOCKET  the socket folder (also PGHOST; PGUSER is the cluster's superuser)
#   TAMSEL_PG_CTL     a script taking "stop", "start" or "kill", for tests of a server that
#                     goes away and comes back, and "allow USER" for a test that runs a
#                     program as another local user (runuser), who may then connect too
#                     until "deny"
# Connections over the socket are trusted, so the socket and its folder are the server
# user's alone (mode 0700): nobody else on the machine reaches the cluster, unless allowed.
#
# Root: initdb refuses to run as root, so the cluster belongs to the "postgres" user
# (made by Debian's postgresql package) and its programs run through runuser.
set -uo pipefail

if [ $# -eq 0 ]; then
  echo "usage: $0 COMMAND [ARGS...]" >&2
  exit 2
fi
bindir=$(ls -d /usr/lib/postgresql/15/bin 2>/dev/null)
[ -x "$bindir/initdb" ] || { echo "with-postgres: PostgreSQL 15 is not installed (tools/setup-debian.sh)" >&2; exit 1; }

root=$(mktemp -d "${TMPDIR:-/tmp}/tamsel-pg.XXXXXX")
chmod 755 "$root"
run=()
owner=$(id -un)
if [ "$(id -u)" -eq 0 ]; then
  owner=postgres
  id postgres >/dev/null 2>&1 || { echo "with-postgres: no postgres user to run the server as" >&2; exit 1; }
  run=(runuser -u postgres --)
fi
mkdir -p "$root/data" "$root/run" "$root/log"
chmod 700 "$root/run"
[ "$(id -u)" -eq 0 ] && chown postgres: "$root/data" "$root/run" "$root/log"

cat >"$root/pgctl" <<CTL
#!/bin/sh
# stop | start | kill | allow USER | deny: the private cluster of $root
# A user allowed in shares the socket through his own group, also after a restart.
opento() {
  [ -s "$root/allowed" ] || return 0
  group=\$(cat "$root/allowed")
  chgrp "\$group" "$root/run" "$root/run/.s.PGSQL.5432" && chmod 0710 "$root/run" && chmod 0770 "$root/run/.s.PGSQL.5432"
}
case "\$1" in
  stop)  exec ${run[*]} "$bindir/pg_ctl" -D "$root/data" -m fast -w stop >>"$root/log/server.log" 2>&1 ;;
  start) ${run[*]} "$bindir/pg_ctl" -D "$root/data" status >/dev/null 2>&1 && exit 0
         ${run[*]} "$bindir/pg_ctl" -D "$root/data" -w -t 30 -l "$root/log/server.log" start >/dev/null || exit 1
         opento ;;
  kill)  pid=\$(head -1 "$root/data/postmaster.pid"); kill -KILL "\$pid"; while kill -0 "\$pid" 2>/dev/null; do sleep 0.1; done ;;
  allow) [ "\$(id -u)" -eq 0 ] || { echo "\$0: only root may let another user in" >&2; exit 1; }
         id -gn "\$2" >"$root/allowed" || exit 1
         opento ;;
  deny)  rm -f "$root/allowed"
         chgrp "\$(stat -c %g "$root/data")" "$root/run" "$root/run/.s.PGSQL.5432" && chmod 0700 "$root/run" "$root/run/.s.PGSQL.5432" ;;
  *) echo "usage: \$0 stop|start|kill|allow USER|deny" >&2; exit 2 ;;
esac
CTL
chmod 755 "$root/pgctl"

cleanup() {
  if [ -f "$root/data/postmaster.pid" ]; then
    "$root/pgctl" stop || "$root/pgctl" kill
  fi
  rm -rf "$root"
}
trap cleanup EXIT
trap 'exit 130' INT
trap 'exit 143' TERM

if ! "${run[@]}" "$bindir/initdb" -D "$root/data" -U "$owner" -A trust -E UTF8 --locale=C.UTF-8 --no-sync >"$root/initdb.log" 2>&1; then
  echo "with-postgres: initdb failed:" >&2
  cat "$root/initdb.log" >&2
  exit 1
fi
cat >>"$root/data/postgresql.conf" <<CONF
listen_addresses = ''
unix_socket_directories = '$root/run'
unix_socket_permissions = 0700
fsync = off
max_connections = 200
CONF
if ! "$root/pgctl" start; then
  echo "with-postgres: the server did not start:" >&2
  cat "$root/log/server.log" >&2
  exit 1
fi

export TAMSEL_PG_SOCKET="$root/run"
export TAMSEL_PG_CTL="$root/pgctl"
export PGHOST="$root/run"
export PGUSER="$owner"
export PGDATABASE=postgres
unset PGPORT PGSERVICE PGPASSWORD

"$@"
status=$?
exit "$status"
