# Shared by the install and portable tests: starting a program headless as a new user would, and
# listings that show whether a folder was written.

fail() {
    echo "FAIL: $*" >&2
    exit 1
}

# start PROGRAM HOME [NAME=VALUE...]: the program on the offscreen platform with nothing of the
# caller's environment but PATH, until its main window has been shown; a message box it shows
# instead would wait forever, so a time limit ends it and the start counts as failed.
start() {
    local program=$1 home=$2
    shift 2
    env -i PATH=/usr/bin:/bin HOME="$home" LANG=C.UTF-8 QT_QPA_PLATFORM=offscreen \
        ASAN_OPTIONS=detect_leaks=0 "$@" \
        timeout 30 "$program" --no-splash --quit-after-show >/dev/null 2>&1 ||
        fail "$program did not start and end cleanly (exit $?)"
}

# Every entry under a folder with its type and mode, and every file's hash.
listing() {
    (cd "$1" && find . -printf '%p %y %m\n' | LC_ALL=C sort &&
        find . -type f -exec sha256sum {} + | LC_ALL=C sort)
}

# old_user_db PATH: a user database of the first layout, which a start upgrades after copying it
# to PATH.bak-<date> beside it: proof of which file a start opened.
old_user_db() {
    rm -f "$1"
    sqlite3 "$1" <"$user_sql" || fail "cannot make $1"
}

is_database() {
    [ "$(head -c 15 "$1")" = "SQLite format 3" ]
}
