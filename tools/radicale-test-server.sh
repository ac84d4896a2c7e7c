#!/usr/bin/env bash
# Starts or stops a throw-away CardDAV server (Debian's radicale) for the sync tests and
# benchmarks.
#   radicale-test-server.sh start DIR   storage, users and log under DIR; writes DIR/url (the
#                                       server's base URL), DIR/addressbook (an address book of
#                                       the test user) and DIR/pid, and returns once it answers
#                                       (a restart keeps the address books and the port)
#   radicale-test-server.sh fresh DIR   the same, after throwing away what DIR held before
#   radicale-test-server.sh stop DIR    stops the server started with DIR
#   radicale-test-server.sh mkbook DIR NAME
#                                       creates one more address book NAME and prints its URL
# The user is "velloby" with the password "velloby-test"; it listens on 127.0.0.1 only.
set -euo pipefail

user=velloby
password=velloby-test

usage() {
    echo "usage: $0 start DIR | fresh DIR | stop DIR | mkbook DIR NAME" >&2
    exit 2
}

# A port nobody listens on now (the kernel picks it).
free_port() {
    /usr/bin/python3 -c 'import socket; s = socket.socket(); s.bind(("127.0.0.1", 0)); print(s.getsockname()[1])'
}

# Creates the address book at URL with an extended MKCOL.
make_book() {
    local url=$1 name=$2
    local code
    code=$(curl -s -o /dev/null -w '%{http_code}' -u "$user:$password" -X MKCOL \
        -H 'Content-Type: application/xml; charset=utf-8' --data-binary @- "$url" <<XML
<?xml version="1.0" encoding="utf-8"?>
<D:mkcol xmlns:D="DAV:" xmlns:C="urn:ietf:params:xml:ns:carddav">
  <D:set><D:prop>
    <D:resourcetype><D:collection/><C:addressbook/></D:resourcetype>
    <D:displayname>$name</D:displayname>
  </D:prop></D:set>
</D:mkcol>
XML
    )
    if [ "$code" != 201 ]; then
        echo "radicale-test-server: creating the address book $url gave HTTP $code" >&2
        return 1
    fi
}

stop_server() {
    local dir=$1
    if [ -f "$dir/pid" ]; then
        local pid
        pid=$(cat "$dir/pid")
        if kill -0 "$pid" 2>/dev/null; then
            kill "$pid" 2>/dev/null || true
            for _ in $(seq 50); do
                kill -0 "$pid" 2>/dev/null || break
                sleep 0.1
            done
            kill -9 "$pid" 2>/dev/null || true
        fi
        rm -f "$dir/pid"
    fi
}

[ $# -ge 2 ] || usage
command=$1
dir=$2
case "$command" in
fresh)
    if [ -d "$dir" ]; then
        stop_server "$dir"
        rm -rf "$dir/collections" "$dir/addressbook" "$dir/url" "$dir/log"
    fi
    exec "$0" start "$dir"
    ;;
start)
    mkdir -p "$dir"
    dir=$(cd "$dir" && pwd)
    stop_server "$dir"
    mkdir -p "$dir/collections"
    printf '%s:%s\n' "$user" "$password" >"$dir/users"
    # A port taken by someone else between the look-up and the start: try another.
    # A restart keeps the port of the previous start, so URLs stay valid.
    ports=()
    if [ -f "$dir/port" ]; then ports+=("$(cat "$dir/port")"); fi
    for _ in 1 2 3 4 5; do ports+=("$(free_port)"); done
    for port in "${ports[@]}"; do
        cat >"$dir/config" <<CONF
[server]
hosts = 127.0.0.1:$port
max_content_length = 100000000
timeout = 60

[auth]
type = htpasswd
htpasswd_filename = $dir/users
htpasswd_encryption = plain
delay = 0

[rights]
type = owner_only

[storage]
filesystem_folder = $dir/collections

[web]
type = none

[logging]
level = warning
mask_passwords = True
CONF
        # setsid: the server leaves with `stop`, not with the shell that started it.
        setsid /usr/bin/radicale --config "$dir/config" >>"$dir/log" 2>&1 </dev/null &
        echo $! >"$dir/pid"
        base="http://127.0.0.1:$port/"
        for _ in $(seq 100); do
            if ! kill -0 "$(cat "$dir/pid")" 2>/dev/null; then
                break
            fi
            code=$(curl -s -o /dev/null -w '%{http_code}' -u "$user:$password" -X PROPFIND \
                -H 'Depth: 0' "$base$user/" || true)
            if [ "$code" = 207 ]; then
                echo "$base" >"$dir/url"
                echo "$port" >"$dir/port"
                book="$base$user/contacts/"
                if [ ! -f "$dir/addressbook" ]; then
                    make_book "$book" contacts
                fi
                echo "$book" >"$dir/addressbook"
                exit 0
            fi
            sleep 0.1
        done
        stop_server "$dir"
    done
    echo "radicale-test-server: the server did not start (see $dir/log)" >&2
    exit 1
    ;;
stop)
    stop_server "$dir"
    ;;
mkbook)
    [ $# -eq 3 ] || usage
    base=$(cat "$dir/url")
    make_book "$base$user/$3/" "$3"
    echo "$base$user/$3/"
    ;;
*)
    usage
    ;;
esac
