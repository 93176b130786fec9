#!/bin/sh
# Throwaway PostgreSQL cluster for a test run.
#   test_cluster.sh setup|teardown BALCORA_BINARY BUILD_DIR CONNINFO_FILE
# setup creates the cluster with the program's own "db init" (schema database
# included) and writes its connection text to CONNINFO_FILE; teardown stops it
# and removes every trace. BALCORA_TEST_CLUSTER_DURABLE=1 keeps the server's
# durable settings (fsync, synchronous_commit, full_page_writes on).
set -eu

if [ $# -ne 4 ]; then
    echo "uso: $0 setup|teardown BALCORA_BINARY BUILD_DIR CONNINFO_FILE" >&2
    exit 2
fi
action=$1
balcora=$2
build_dir=$3
conninfo_file=$4

# Short (unix socket paths are limited) and open to the postgres user when
# the run is root's; one per build folder so parallel builds do not collide.
tag=$(printf '%s' "$(cd "$build_dir" && pwd -P)" | md5sum | cut -c1-8)
root=/tmp/balcora-test-$tag

# The folder the program moves a root's cluster to when the postgres user
# cannot reach the root; removed with the root.
outside_cluster() {
    link=$root/pgdata
    if [ -L "$link" ]; then
        target=$(readlink "$link")
        case $target in
            /var/lib/balcora/*/pgdata) dirname "$target" ;;
        esac
    fi
}

remove_root() {
    if [ -d "$root" ]; then
        "$balcora" --root "$root" db stop >/dev/null 2>&1 || true
        outside=$(outside_cluster)
        [ -n "$outside" ] && rm -rf "$outside"
        rm -rf "$root"
    fi
}

case $action in
    setup)
        remove_root
        rm -f "$conninfo_file"
        mkdir -m 0755 "$root"
        chmod 0755 "$root"
        "$balcora" --root "$root" db init
        conninfo=$("$balcora" --root "$root" db status | head -n 1)
        # The cluster is thrown away after the run: durability only costs time.
        # Benchmarks set BALCORA_TEST_CLUSTER_DURABLE=1 to keep PostgreSQL's
        # durable defaults, as a shop's server runs: a floor that never waits
        # for the disk would measure against a server no shop has.
        if [ "${BALCORA_TEST_CLUSTER_DURABLE:-0}" != 1 ]; then
            "$balcora" --root "$root" db psql -X -q -v ON_ERROR_STOP=1 \
                -c "ALTER SYSTEM SET fsync = off" \
                -c "ALTER SYSTEM SET synchronous_commit = off" \
                -c "ALTER SYSTEM SET full_page_writes = off" \
                -c "SELECT pg_reload_conf()" >/dev/null
        fi
        # Tests clone their databases from a copy nobody connects to, so a test
        # (or the program itself) may use database balcora meanwhile. They
        # connect as the program's role (db psql is the administrator), which
        # here, and only here, may create databases: its own clones.
        "$balcora" --root "$root" db psql -X -q -v ON_ERROR_STOP=1 \
            -c "SET client_min_messages = warning" \
            -c "ALTER ROLE balcora CREATEDB" \
            -c "DROP DATABASE IF EXISTS balcora_template" \
            -c "CREATE DATABASE balcora_template OWNER balcora TEMPLATE balcora" >/dev/null
        # The back office's database, empty, for the tests to clone; they
        # reach it over the loopback with the role's password, found under
        # the root that the second file names.
        "$balcora" --root "$root" backoffice init >/dev/null
        "$balcora" --root "$root" db psql -X -q -v ON_ERROR_STOP=1 \
            -c "SET client_min_messages = warning" \
            -c "DROP DATABASE IF EXISTS retaguarda_template" \
            -c "CREATE DATABASE retaguarda_template OWNER balcora TEMPLATE retaguarda" >/dev/null
        printf '%s\n' "$root" >"$conninfo_file.root"
        printf '%s\n' "$conninfo" >"$conninfo_file.tmp"
        mv "$conninfo_file.tmp" "$conninfo_file"
        echo "Cluster de teste pronto: $conninfo"
        ;;
    teardown)
        remove_root
        rm -f "$conninfo_file" "$conninfo_file.root"
        echo "Cluster de teste removido: $root"
        ;;
    *)
        echo "ação desconhecida: $action (setup|teardown)" >&2
        exit 2
        ;;
esac
