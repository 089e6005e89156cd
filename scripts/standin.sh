#!/usr/bin/env bash
# Throwaway stand-in servers for the two ODBC connections the program makes:
#
#   "Oracle": PostgreSQL 15 through psqlODBC, registered as "Microsoft ODBC for Oracle"
#   "DB2":    MariaDB 10.11 through MariaDB Connector/ODBC, registered as "IBM DB2 ODBC DRIVER"
#
# Usage: standin.sh start|stop|status|env DIR
#
#   start DIR   stop whatever ran for DIR before, then create fresh servers on free
#               loopback ports and write DIR/env (shell exports a client needs)
#   stop DIR    stop both servers and remove what start created
#   status DIR  say what is running; exit 0 only when both are
#   env DIR     print DIR/env
#
# Every DIR is a separate pair of servers with its own data and ports, so two test
# runs never share anything. The servers' own files live in a short folder under
# the temporary directory (named in DIR/runtime): unix socket paths are limited to
# about 100 bytes, and as root the postgres and mysql users must be able to reach
# them whatever the permissions above DIR are.
# Progress and errors go to stderr.
set -euo pipefail

PGBIN=/usr/lib/postgresql/15/bin
MARIADBD=/usr/sbin/mariadbd

ORA_SID=ORCL ORA_USER=scott ORA_PWD=tiger
DB2_DATABASE=SAMPLE DB2_USER=db2inst1 DB2_PWD=db2pass
# Logins that own nothing, for the empty-catalogue cases.
LONELY_ORA_USER=lonely LONELY_ORA_PWD=lonely
LONELY_DB2_USER=lonely LONELY_DB2_PWD=lonely LONELY_DB2_DATABASE=EMPTYDB

T0=$(date +%s%N)
log() { echo "standin: [$((($(date +%s%N) - T0) / 1000000)) ms] $*" >&2; }
die() {
    log "ERROR: $*"
    exit 1
}
show_log() {
    [ -f "$1" ] && cat "$1" >&2
    true
}
usage() {
    echo "usage: $0 start|stop|status|env DIR" >&2
    exit 2
}

[ $# -eq 2 ] || usage
COMMAND=$1
DIR=$2
[ -n "$DIR" ] || usage
DIR=$(realpath -m -- "$DIR")

# PostgreSQL refuses to run as root, and MariaDB should not.
if [ "$(id -u)" = 0 ]; then
    PG_OSUSER=postgres MY_OSUSER=mysql MY_ADMIN=root
    as_pg() { runuser -u postgres -- "$@"; }
else
    PG_OSUSER=$(id -un) MY_OSUSER=$(id -un) MY_ADMIN=$(id -un)
    as_pg() { "$@"; }
fi

odbc_library() {
    local found
    for found in /usr/lib/*/odbc/"$1"; do
        [ -e "$found" ] && {
            echo "$found"
            return 0
        }
    done
    die "ODBC driver $1 not found: run scripts/install-deps.sh as root"
}

port_busy() { (exec 3<>"/dev/tcp/127.0.0.1/$1") 2>/dev/null; }

# A free port below Linux's ephemeral range, so an outgoing connection cannot
# take it between the probe and the server's bind.
free_port() {
    local port
    for _ in $(seq 1 50); do
        port=$((20000 + RANDOM % 12000))
        port_busy "$port" || {
            echo "$port"
            return 0
        }
    done
    die "no free port found"
}

pid_alive() { [ -n "${1:-}" ] && kill -0 "$1" 2>/dev/null; }

# What a previous start recorded; empty when nothing runs for DIR.
RUN=
[ -f "$DIR/runtime" ] && RUN=$(cat "$DIR/runtime")
set_paths() {
    PGDATA_DIR=$RUN/pg
    PG_SOCKET_DIR=$RUN/pgsock
    MY_DIR=$RUN/my
    MY_SOCKET=$MY_DIR/mysqld.sock
}
[ -n "$RUN" ] && set_paths

# Only our own mariadbd: a stale pid file's number may belong to anything by now.
my_pid() {
    local pid
    pid=$(cat "$MY_DIR/mysqld.pid" 2>/dev/null) || return 1
    pid_alive "$pid" && tr '\0' ' ' <"/proc/$pid/cmdline" | grep -q -- "--datadir=$MY_DIR/data" &&
        echo "$pid"
}

pg_pid() {
    local pid
    pid=$(head -1 "$PGDATA_DIR/postmaster.pid" 2>/dev/null) || return 1
    pid_alive "$pid" && echo "$pid"
}

pg_sql() {
    # PGHOSTADDR from a client environment would send psql to TCP, where the
    # postgres role has no password.
    env -u PGHOSTADDR "$PGBIN/psql" -X -q -v ON_ERROR_STOP=1 -h "$PG_SOCKET_DIR" -p "$PG_PORT" \
        -U postgres "$@"
}

my_sql() { mariadb --no-defaults --socket="$MY_SOCKET" -u"$MY_ADMIN" "$@"; }
my_ping() { mariadb-admin --no-defaults --socket="$MY_SOCKET" -u"$MY_ADMIN" ping >/dev/null 2>&1; }

write_odbc_ini() {
    local psql_driver maria_driver
    psql_driver=$(odbc_library psqlodbcw.so)
    maria_driver=$(odbc_library libmaodbc.so)
    mkdir -p "$DIR/odbc"
    cat >"$DIR/odbc/odbcinst.ini" <<EOF
[Microsoft ODBC for Oracle]
Description=Oracle stand-in: PostgreSQL through psqlODBC (Unicode)
Driver=$psql_driver

[IBM DB2 ODBC DRIVER]
Description=DB2 stand-in: MariaDB Connector/ODBC
Driver=$maria_driver

# psqlODBC reads driver-wide options only from the section named like the
# connection string's DRIVER value, braces included.
#   BoolsAsChar=0       booleans are SQL_BIT, not VARCHAR '1'/'0'
#   MaxVarcharSize=4000 varchar up to 4000 stays SQL_WVARCHAR, not LONGVARCHAR
#   UseDeclareFetch=1   a SELECT reads its rows through a server cursor,
#   Fetch=1000          1000 at a time, instead of all of them at execute
#                       (SQLRowCount after a SELECT is then -1)
[{Microsoft ODBC for Oracle}]
BoolsAsChar=0
MaxVarcharSize=4000
UseDeclareFetch=1
Fetch=1000
EOF
    : >"$DIR/odbc/odbc.ini"
}

start_pg() {
    rm -rf "$PGDATA_DIR" "$PG_SOCKET_DIR"
    mkdir -p "$PGDATA_DIR" "$PG_SOCKET_DIR"
    chmod 700 "$PGDATA_DIR"
    chown "$PG_OSUSER" "$PGDATA_DIR" "$PG_SOCKET_DIR"
    as_pg "$PGBIN/initdb" -D "$PGDATA_DIR" -U postgres -E UTF8 --locale=C.UTF-8 \
        --auth-local=trust --auth-host=scram-sha-256 --no-instructions >"$RUN/pg-initdb.log" 2>&1 ||
        {
            show_log "$RUN/pg-initdb.log"
            die "initdb failed"
        }
    cat >>"$PGDATA_DIR/postgresql.conf" <<EOF
listen_addresses = '127.0.0.1'
unix_socket_directories = '$PG_SOCKET_DIR'
timezone = 'UTC'
fsync = off
synchronous_commit = off
full_page_writes = off
shared_buffers = 32MB
EOF
    local attempt
    for attempt in 1 2 3 4 5; do
        PG_PORT=$(free_port)
        echo "port = $PG_PORT" >"$PGDATA_DIR/postgresql.auto.conf"
        as_pg "$PGBIN/pg_ctl" -D "$PGDATA_DIR" -l "$PGDATA_DIR/server.log" -w -t 60 start >/dev/null 2>&1 &&
            break
        # Someone took the port between the probe and the bind: try another.
        grep -q 'could not bind\|could not create any TCP/IP sockets' "$PGDATA_DIR/server.log" ||
            break
        log "port $PG_PORT was taken (attempt $attempt)"
        PG_PORT=
    done
    [ -n "$PG_PORT" ] && pg_pid >/dev/null || {
        show_log "$PGDATA_DIR/server.log"
        die "postgres did not start"
    }
    # template1 first, so that every database created afterwards has both.
    pg_sql -d template1 <<'EOF'
-- The Oracle dictionary view of the connecting user's own tables, names as created.
CREATE VIEW public.user_tables AS
  SELECT c.relname::varchar(128) AS table_name
  FROM pg_catalog.pg_class c
  WHERE c.relkind IN ('r', 'p')
    AND c.relowner = (SELECT oid FROM pg_catalog.pg_roles WHERE rolname = current_user)
    AND c.relnamespace NOT IN ('pg_catalog'::regnamespace, 'information_schema'::regnamespace);
GRANT SELECT ON public.user_tables TO PUBLIC;
-- Oracle takes bare 1/0 for a boolean-like column; stock PostgreSQL does not.
UPDATE pg_catalog.pg_cast SET castcontext = 'a'
  WHERE castsource = 'integer'::regtype AND casttarget = 'boolean'::regtype;
-- Oracle's own type names that exact column types use and PostgreSQL lacks,
-- and the function that turns hex digits into bytes in a row's literal.
CREATE DOMAIN public.clob AS text;
CREATE DOMAIN public.blob AS bytea;
CREATE DOMAIN public.nclob AS text;
CREATE DOMAIN public.long AS text;
CREATE DOMAIN public.number AS numeric;
CREATE DOMAIN public.binary_float AS real;
CREATE DOMAIN public.binary_double AS double precision;
-- Oracle's parameter view, for the session's string size (a test makes it EXTENDED).
CREATE VIEW public."v$parameter" AS
  SELECT 'max_string_size'::text AS name, 'STANDARD'::text AS value;
GRANT SELECT ON public."v$parameter" TO PUBLIC;
CREATE FUNCTION public.hextoraw(text) RETURNS bytea
  LANGUAGE sql IMMUTABLE STRICT AS $$ SELECT decode($1, 'hex') $$;
EOF
    # psqlODBC connects to the database named like the user, as an Oracle login
    # lands in its own schema.
    pg_sql -d postgres <<EOF
CREATE ROLE "$ORA_USER" LOGIN PASSWORD '$ORA_PWD';
CREATE DATABASE "$ORA_USER" OWNER "$ORA_USER";
CREATE ROLE "$LONELY_ORA_USER" LOGIN PASSWORD '$LONELY_ORA_PWD';
CREATE DATABASE "$LONELY_ORA_USER" OWNER "$LONELY_ORA_USER";
EOF
}

start_my() {
    rm -rf "$MY_DIR"
    mkdir -p "$MY_DIR"
    chown "$MY_OSUSER" "$MY_DIR"
    local common=(--no-defaults --datadir="$MY_DIR/data" --innodb-log-file-size=8M)
    mariadb-install-db "${common[@]}" --user="$MY_OSUSER" --skip-test-db \
        --auth-root-authentication-method=socket >"$RUN/my-install.log" 2>&1 ||
        {
            show_log "$RUN/my-install.log"
            die "mariadb-install-db failed"
        }
    # Otherwise the tables catalogue lists three performance_schema tables as
    # 'TABLE' to every user.
    rm -rf "$MY_DIR/data/performance_schema"
    local attempt pid
    # NO_BACKSLASH_ESCAPES: DB2 reads a backslash in a literal as itself, and
    # the program sends values with nothing but single quotes doubled.
    # innodb-flush-log-at-trx-commit=0, flush-method=nosync, no doublewrite: a
    # throwaway server need not sync anything (the PostgreSQL side runs with
    # fsync off likewise), so a row-per-INSERT copy measures the program, not
    # the disk.
    for attempt in 1 2 3 4 5; do
        MY_PORT=$(free_port)
        : >"$MY_DIR/error.log"
        "$MARIADBD" "${common[@]}" --user="$MY_OSUSER" \
            --bind-address=127.0.0.1 --port="$MY_PORT" --socket="$MY_SOCKET" \
            --pid-file="$MY_DIR/mysqld.pid" --log-error="$MY_DIR/error.log" \
            --skip-name-resolve --performance-schema=OFF \
            --innodb-buffer-pool-size=32M --innodb-buffer-pool-dump-at-shutdown=OFF \
            --innodb-flush-log-at-trx-commit=0 --innodb-flush-method=nosync --innodb-doublewrite=0 \
            --innodb-buffer-pool-load-at-startup=OFF \
            --sql-mode=ANSI_QUOTES,NO_BACKSLASH_ESCAPES,STRICT_TRANS_TABLES,ERROR_FOR_DIVISION_BY_ZERO,NO_ENGINE_SUBSTITUTION \
            --max-allowed-packet=1G \
            --character-set-server=utf8mb4 --collation-server=utf8mb4_bin \
            </dev/null >/dev/null 2>&1 &
        pid=$!
        for _ in $(seq 1 300); do
            my_ping && break
            pid_alive "$pid" || break
            sleep 0.1
        done
        my_ping && break
        pid_alive "$pid" && kill -KILL "$pid" 2>/dev/null
        grep -q 'Address already in use\|Can.t start server' "$MY_DIR/error.log" || break
        log "port $MY_PORT was taken (attempt $attempt)"
    done
    my_ping || {
        show_log "$MY_DIR/error.log"
        die "mariadbd did not start"
    }
    my_sql <<EOF
CREATE DATABASE "$DB2_DATABASE";
CREATE USER '$DB2_USER'@'%' IDENTIFIED BY '$DB2_PWD';
GRANT ALL ON "$DB2_DATABASE".* TO '$DB2_USER'@'%';
CREATE DATABASE "$LONELY_DB2_DATABASE";
CREATE USER '$LONELY_DB2_USER'@'%' IDENTIFIED BY '$LONELY_DB2_PWD';
GRANT ALL ON "$LONELY_DB2_DATABASE".* TO '$LONELY_DB2_USER'@'%';
-- DB2's HEXTORAW, which a row's literal uses for bytes.
CREATE FUNCTION "$DB2_DATABASE".HEXTORAW(h LONGTEXT) RETURNS LONGBLOB DETERMINISTIC RETURN UNHEX(h);
CREATE FUNCTION "$LONELY_DB2_DATABASE".HEXTORAW(h LONGTEXT) RETURNS LONGBLOB DETERMINISTIC RETURN UNHEX(h);
EOF
}

write_env() {
    cat >"$DIR/env.new" <<EOF
export ODBCSYSINI='$DIR/odbc'
export ODBCINI='$DIR/odbc/odbc.ini'
export PGPORT='$PG_PORT'
export PGHOSTADDR='127.0.0.1'
export LC_ALL='C.UTF-8'
export STANDIN_ORA_SID='$ORA_SID'
export STANDIN_ORA_USER='$ORA_USER'
export STANDIN_ORA_PWD='$ORA_PWD'
export STANDIN_ORA_CONN='Driver={Microsoft ODBC for Oracle};Server=$ORA_SID;Uid=$ORA_USER;Pwd=$ORA_PWD;'
export STANDIN_LONELY_ORA_USER='$LONELY_ORA_USER'
export STANDIN_LONELY_ORA_PWD='$LONELY_ORA_PWD'
export STANDIN_DB2_DATABASE='$DB2_DATABASE'
export STANDIN_DB2_HOST='127.0.0.1'
export STANDIN_DB2_PORT='$MY_PORT'
export STANDIN_DB2_USER='$DB2_USER'
export STANDIN_DB2_PWD='$DB2_PWD'
export STANDIN_DB2_CONN='Driver={IBM DB2 ODBC DRIVER};Database=$DB2_DATABASE;Hostname=127.0.0.1;Port=$MY_PORT;Protocol=TCPIP;Uid=$DB2_USER;Pwd=$DB2_PWD;'
export STANDIN_LONELY_DB2_DATABASE='$LONELY_DB2_DATABASE'
export STANDIN_LONELY_DB2_USER='$LONELY_DB2_USER'
export STANDIN_LONELY_DB2_PWD='$LONELY_DB2_PWD'
export STANDIN_PG_PORT='$PG_PORT'
export STANDIN_PG_SOCKET_DIR='$PG_SOCKET_DIR'
export STANDIN_MY_SOCKET='$MY_SOCKET'
export STANDIN_MY_ADMIN='$MY_ADMIN'
EOF
    mv "$DIR/env.new" "$DIR/env"
}

stop_pg() {
    pg_pid >/dev/null || return 0
    as_pg "$PGBIN/pg_ctl" -D "$PGDATA_DIR" -m fast -w -t 60 stop >/dev/null 2>&1 || {
        local pid
        pid=$(pg_pid) || return 0
        log "postgres $pid did not stop in 60 s; killing it"
        kill -KILL "$pid" 2>/dev/null || true
    }
}

stop_my() {
    local pid
    pid=$(my_pid) || return 0
    kill -TERM "$pid"
    for _ in $(seq 1 300); do
        pid_alive "$pid" || return 0
        sleep 0.1
    done
    log "mariadbd $pid ignored SIGTERM for 30 s; killing it"
    kill -KILL "$pid" 2>/dev/null || true
}

# Removes only what start made: DIR may be a folder that holds other things.
cmd_stop() {
    if [ -n "$RUN" ]; then
        stop_pg
        stop_my
        case "$RUN" in
        */duskferry-standin.*) rm -rf "$RUN" ;;
        esac
    fi
    rm -rf "$DIR/odbc"
    rm -f "$DIR/env" "$DIR/env.new" "$DIR/runtime"
    rmdir "$DIR" 2>/dev/null || true
    RUN=
}

cmd_start() {
    local tool
    for tool in "$PGBIN/initdb" "$PGBIN/pg_ctl" "$PGBIN/psql" "$MARIADBD" mariadb-install-db \
        mariadb mariadb-admin isql; do
        command -v "$tool" >/dev/null 2>&1 || die "$tool missing: run scripts/install-deps.sh as root"
    done
    cmd_stop
    # A half-started pair would hold ports and memory until someone noticed.
    trap 'cmd_stop' EXIT
    mkdir -p "$DIR"
    RUN=$(mktemp -d "${TMPDIR:-/tmp}/duskferry-standin.XXXXXX")
    chmod 755 "$RUN"
    echo "$RUN" >"$DIR/runtime"
    set_paths
    write_odbc_ini
    start_pg
    log "PostgreSQL up on 127.0.0.1:$PG_PORT"
    start_my
    log "MariaDB up on 127.0.0.1:$MY_PORT"
    write_env
    trap - EXIT
    log "environment in $DIR/env"
}

cmd_status() {
    local rc=0 pid
    if [ -n "$RUN" ] && pid=$(pg_pid); then
        echo "postgres: running (pid $pid)"
    else
        echo "postgres: stopped"
        rc=1
    fi
    if [ -n "$RUN" ] && pid=$(my_pid); then
        echo "mariadb:  running (pid $pid)"
    else
        echo "mariadb:  stopped"
        rc=1
    fi
    return $rc
}

case "$COMMAND" in
start) cmd_start ;;
stop)
    cmd_stop
    log "stopped"
    ;;
status) cmd_status ;;
env)
    [ -f "$DIR/env" ] || die "no stand-ins started in $DIR"
    cat "$DIR/env"
    ;;
*) usage ;;
esac
