# Run by scripts/check-packages inside a mount namespace of its own (unshare --mount), as
# root:
#
#   bash scripts/lib/install_check.sh CLIENT.deb SERVER.deb VERSION
#
# Installs both packages with apt-get into a throwaway root, an overlay of this machine's own
# root on a tmpfs, which vanishes with the namespace: the machine itself is not touched. Then
# checks what an installation must give without systemd running: the server's user, data
# folder and configuration; the database made and the server started as its unit starts it;
# a backup while it runs; the demo started from the menu entry's command on a virtual display,
# with the module's screen open; removal keeping the database, and purge removing it with the
# user.
set -euo pipefail
client_deb=$1 server_deb=$2 version=$3
. scripts/lib/demo_capture.sh

fail() {
    echo "install check: $*" >&2
    if [ -s "$work/apt.log" ]; then
        echo "The last apt-get said:" >&2
        cat "$work/apt.log" >&2
    fi
    exit 1
}

# The throwaway root lives on a tmpfs mounted on $work, which holds bind mounts of /dev and
# /proc: it is unmounted, never deleted file by file.
work=$(mktemp -d)
root=$work/root
# Every process still running inside the throwaway root: only this check starts any there.
processes_in_root() {
    local p
    for p in /proc/[0-9]*; do
        [ "$(readlink "$p/root" 2>/dev/null)" = "$root" ] && echo "${p#/proc/}"
    done
    return 0
}
cleanup() {
    local p
    for p in $(processes_in_root); do
        kill "$p" 2>/dev/null || true
    done
    _capture_cleanup
    umount -R "$work" 2>/dev/null || umount -R -l "$work" || true
    rmdir "$work" || true
}
trap cleanup EXIT

mount -t tmpfs tmpfs "$work"
mkdir "$work/upper" "$work/scratch" "$work/root"
mount -t overlay overlay -o "lowerdir=/,upperdir=$work/upper,workdir=$work/scratch" "$root"
mount --rbind /dev "$root/dev"
mount --bind /proc "$root/proc"
# The virtual display's socket, for the host running inside.
mkdir -p /tmp/.X11-unix "$root/tmp/.X11-unix"
mount --bind /tmp/.X11-unix "$root/tmp/.X11-unix"
mkdir -p "$root/tmp/debs"
cp "$client_deb" "$server_deb" "$root/tmp/debs/"

# A command inside, with a clean environment. Each program execs the next, so that a command
# started in the background has the process id of the program it ends in.
inside=(chroot "$root" env -i PATH=/usr/sbin:/usr/bin:/sbin:/bin HOME=/root LC_ALL=C.UTF-8
    DEBIAN_FRONTEND=noninteractive)
in_root() {
    "${inside[@]}" "$@"
}
apt_in_root() {
    in_root apt-get -q -y "$@" >"$work/apt.log" 2>&1 || {
        cat "$work/apt.log" >&2
        fail "apt-get $*"
    }
}

echo "== install check: apt-get install ./apurfat-client ./apurfat-server (throwaway root)"
apt_in_root install --no-install-recommends "/tmp/debs/$(basename "$server_deb")" \
    "/tmp/debs/$(basename "$client_deb")"

# --- the server's user, data folder and commands
db=/var/lib/apurfat-server/apurfat.sqlite
[ "$(in_root getent passwd apurfat-server | cut -d: -f6,7)" = \
    /var/lib/apurfat-server:/usr/sbin/nologin ] || fail "no system user apurfat-server"
[ "$(in_root stat -c '%U %G %a' /var/lib/apurfat-server)" = "apurfat-server apurfat-server 750" ] ||
    fail "/var/lib/apurfat-server: $(in_root stat -c '%U %G %a' /var/lib/apurfat-server)"
[ "$(in_root apurfat-server --version)" = "apurfat-server $version" ] || fail "apurfat-server --version"
[ "$(in_root apurfat-host --version)" = "apurfat-host $version" ] || fail "apurfat-host --version"
in_root apurfat-server --help | grep -q backup || fail "apurfat-server --help names no backup"

# --- the database, and the server as its unit starts it
in_root runuser -u apurfat-server -- apurfat-server --init --db "$db" | grep -q criado ||
    fail "apurfat-server --init"
unit=$root/lib/systemd/system/apurfat-server.service
user=$(sed -n 's/^User=//p' "$unit")
config=$(sed -n 's/^EnvironmentFile=//p' "$unit")
command=$(sed -n 's/^ExecStart=//p' "$unit")
[ "$user" = apurfat-server ] && [ -f "$root$config" ] && [ -n "$command" ] ||
    fail "the unit's User, EnvironmentFile or ExecStart"
if in_root sh -c 'command -v systemd-analyze' >/dev/null; then
    in_root systemd-analyze verify /lib/systemd/system/apurfat-server.service ||
        fail "systemd-analyze verify apurfat-server.service"
fi
# The configured address, but on a free port: this machine may be serving 52000.
grep -qx 'APURFAT_LISTEN=127.0.0.1:52000' "$root$config" || fail "$config: APURFAT_LISTEN"
"${inside[@]}" setpriv --reuid="$user" --regid="$user" --init-groups -- sh -c \
    "set -a; . $config; APURFAT_LISTEN=127.0.0.1:0; exec $command" >"$work/server.log" 2>&1 &
server_pid=$!
deadline=$((SECONDS + 30))
until grep -q '^listening 127.0.0.1:[0-9]*$' "$work/server.log"; do
    [ $SECONDS -lt $deadline ] && kill -0 "$server_pid" 2>/dev/null || {
        cat "$work/server.log" >&2
        fail "the server did not start as its unit starts it"
    }
    sleep 0.1
done
in_root apurfat-server backup --db "$db" --to /root >/dev/null || fail "backup of the running server"
ls "$root"/root/apurfat-*.sqlite >/dev/null || fail "the backup is not in /root"
kill "$server_pid"
wait "$server_pid" 2>/dev/null || true
[ "$(in_root stat -c %U "$db")" = apurfat-server ] || fail "$db is not the service's"

# --- the client: the menu entry's demo on a virtual display, up to the module's screen
desktop=$root/usr/share/applications/apurfat-host.desktop
grep -qx 'Name=Cálculo de Apuração' "$desktop" || fail "the menu entry's name"
demo_command=$(sed -n '/^\[Desktop Action demonstracao\]/,/^\[/ s/^Exec=//p' "$desktop")
[ "$demo_command" = "apurfat-host --demo" ] || fail "the menu's demo runs '$demo_command'"
_capture_work=$(mktemp -d)
_capture_start_display
"${inside[@]}" sh -c "mkdir -p /tmp/clerk && cd /tmp/clerk && HOME=/tmp/clerk \
    DISPLAY=$CAPTURE_DISPLAY exec $demo_command" >"$work/host.log" 2>&1 &
_capture_host_pid=$!
# The module's screen, maximised in the main window, puts its caption in the window's title.
if ! wid=$(_capture_wait_window '^Sistemas Integrados Corvana' 60); then
    cat "$work/host.log" >&2
    fail "the installed host's main window did not appear"
fi
capture_xdotool windowfocus --sync "$wid" 2>/dev/null || true
_capture_wait_window 'Torvo' 60 >/dev/null || {
    cat "$work/host.log" >&2
    fail "the installed host did not open the module's screen"
}
kill "$_capture_host_pid"
wait "$_capture_host_pid" 2>/dev/null || true
# The demo's server follows its host.
deadline=$((SECONDS + 15))
until [ -z "$(processes_in_root)" ]; do
    [ $SECONDS -lt $deadline ] || fail "still running after the host ended: $(processes_in_root)"
    sleep 0.1
done

# --- removal keeps the database and the configuration; purge removes them and the user
apt_in_root remove apurfat-server
in_root test -f "$db" || fail "removing the server lost its database"
in_root test -f /etc/apurfat-server/apurfat-server.conf || fail "removing lost the configuration"
in_root getent passwd apurfat-server >/dev/null || fail "removing lost the service's user"
apt_in_root purge apurfat-server apurfat-client
! in_root test -e /var/lib/apurfat-server || fail "purging left /var/lib/apurfat-server"
! in_root test -e /etc/apurfat-server || fail "purging left /etc/apurfat-server"
! in_root getent passwd apurfat-server >/dev/null || fail "purging left the user"
! in_root getent group apurfat-server >/dev/null || fail "purging left the group"
program_folder=/usr/lib/$(dpkg-architecture -qDEB_HOST_MULTIARCH)/apurfat
! in_root test -e "$program_folder" || fail "purging left $program_folder"
! in_root test -e /etc/xdg/corvana/apurfat-host || fail "purging left the registry stand-in"
echo "== install check: installed, served, demo shown, removed and purged cleanly"
