#!/usr/bin/env bash
# Pictures of the servers' files: the 服务器列表 dialog with a profile filled in, the host-key
# question at first contact, the remote file dialog on the plugin's folder, and the main window
# with a server's file open, an entry loaded and the 服务器回复 dock after 保存并重载 through the
# SSH tunnel. Against an OpenSSH server this script starts on 127.0.0.1 (its own host key and
# user key; as root the SFTP session is shut in a folder of its own, so the plugin's folder is
# /srv/lobby/plugins/Quorvel as on a VPS, for a user "mc" made for the run) and the RCON test
# server behind it. Under Xvfb with a window manager, light and dark (qt6ct's "darker" scheme),
# driving the editor through its automation interface and, where a person's dialog must show,
# xdotool.
# Usage: scripts/remote-screenshots.sh [OUTDIR] [WIDTHxHEIGHT] [SCALE]
#        (default docs/screenshots 1366x768 1)
set -euo pipefail
cd "$(dirname "$0")/.."
out=${1:-docs/screenshots}
size=${2:-1366x768}
scale=${3:-1}
editor=${EDITOR_BIN:-build/src/app/quorvel-editor}
rcon_server=${RCON_SERVER_BIN:-build/tests/rcon/rcon_test_server}
sshd_bin=/usr/sbin/sshd
[[ -x $editor ]] || { echo "no editor at $editor: build it first" >&2; exit 1; }
[[ -x $rcon_server ]] || { echo "no RCON test server at $rcon_server: build the rcon_test_server target" >&2; exit 1; }
for tool in Xvfb openbox import xdotool python3 ssh-keygen "$sshd_bin"; do
    command -v "$tool" >/dev/null || {
        echo "needs $tool (apt-get install xvfb openbox imagemagick xdotool openssh-server openssh-client)" >&2
        exit 77
    }
done
mkdir -p "$out"
out=$(cd "$out" && pwd)
work=$(mktemp -d /tmp/quorvel-remote.XXXXXX)
chmod 711 "$work"  # sshd reads the user's authorized keys as that user
display=:$((150 + RANDOM % 50))
pids=()
jail=
made_user=
cleanup() {
    exec 7>&- 2>/dev/null || true
    kill "${pids[@]}" 2>/dev/null || true
    wait 2>/dev/null || true
    if [[ -n $made_user ]]; then userdel "$made_user" 2>/dev/null || true; fi
    if [[ -n $jail ]]; then rm -rf "$jail"; fi
    rm -rf "$work"
}
trap cleanup EXIT

rcon_password=shots-$RANDOM$RANDOM
Xvfb "$display" -screen 0 "${size}x24" -nolisten tcp >/dev/null 2>&1 &
pids+=($!)
export DISPLAY=$display QT_QPA_PLATFORM=xcb
for _ in $(seq 50); do xdpyinfo >/dev/null 2>&1 && break; sleep 0.1; done
openbox >/dev/null 2>&1 &
pids+=($!)

# The folder sshd may shut a session in: every folder of its path root's and written by no one
# else (sshd refuses any other).
chrootable() {
    local dir=$1
    while :; do
        [[ $(stat -c %u "$dir") == 0 && $(( 0$(stat -c %a "$dir") & 022 )) == 0 ]] || return 1
        [[ $dir == / ]] && return 0
        dir=$(dirname "$dir")
    done
}

# The server: the plugin's folder where a VPS keeps it, owned by the user who logs in.
user=$(id -un)
if [[ $(id -u) == 0 && -d $PWD/build ]] && ! id mc >/dev/null 2>&1 && chrootable "$PWD/build"; then
    jail=$(mktemp -d "$PWD/build/remote-shots.XXXXXX")
    chmod 755 "$jail"
    useradd -M -d /srv/lobby -s /usr/sbin/nologin -p '*' mc
    made_user=mc
    user=mc
    folder=/srv/lobby/plugins/Quorvel
    served=$jail$folder
else
    folder=$work/srv/lobby/plugins/Quorvel
    served=$folder
fi
mkdir -p "$(dirname "$served")"
cp -r tests/project/plugin "$served"
rm -f "$served/.gitattributes"
if [[ -n $jail ]]; then chown -R mc: "$jail/srv"; fi

mkdir -p "$work/sshd" "$work/keys"
chmod 711 "$work/sshd"
ssh-keygen -q -t ed25519 -N '' -C lobby-host -f "$work/sshd/host"
ssh-keygen -q -t ed25519 -N '' -C editor -f "$work/keys/id_ed25519"
cp "$work/keys/id_ed25519.pub" "$work/sshd/authorized_keys"
chmod 644 "$work/sshd/authorized_keys"
if [[ $(id -u) == 0 ]]; then mkdir -p /run/sshd; fi
port=$(python3 -c '
import socket
for port in (2222, 0):
    s = socket.socket()
    try:
        s.bind(("127.0.0.1", port))
    except OSError:
        continue
    print(s.getsockname()[1])
    break')
{
    echo "ListenAddress 127.0.0.1:$port"
    echo "HostKey $work/sshd/host"
    echo "PidFile none"
    echo "UsePAM no"
    echo "StrictModes no"
    echo "PermitRootLogin prohibit-password"
    echo "AuthorizedKeysFile $work/sshd/authorized_keys"
    echo "PasswordAuthentication no"
    echo "KbdInteractiveAuthentication no"
    echo "AllowTcpForwarding yes"
    echo "Subsystem sftp internal-sftp"
    if [[ -n $jail ]]; then echo "ChrootDirectory $jail"; fi
} >"$work/sshd/config"
"$sshd_bin" -D -e -f "$work/sshd/config" 2>"$work/sshd/log" &
pids+=($!)
for _ in $(seq 100); do grep -q "Server listening" "$work/sshd/log" && break; sleep 0.05; done
grep -q "Server listening" "$work/sshd/log" || { cat "$work/sshd/log" >&2; exit 1; }

"$rcon_server" --password "$rcon_password" >"$work/rcon.port" &
pids+=($!)
for _ in $(seq 100); do [[ -s $work/rcon.port ]] && break; sleep 0.05; done
rcon_port=$(head -n 1 "$work/rcon.port")

# A dialog's window once it is on the screen, found by its title.
window() {  # title
    local id
    for _ in $(seq 100); do
        id=$(xdotool search --onlyvisible --name "$1" 2>/dev/null | tail -n 1) && [[ -n $id ]] && { echo "$id"; return; }
        sleep 0.1
    done
    echo "no window \"$1\" appeared" >&2
    return 1
}
gone() {  # title
    for _ in $(seq 100); do
        xdotool search --onlyvisible --name "$1" >/dev/null 2>&1 || return 0
        sleep 0.1
    done
    echo "the window \"$1\" stayed" >&2
    return 1
}

shoot() {
    local suffix=$1
    shift
    rm -f "$work/in" "$work/out"
    mkfifo "$work/in"
    : >"$work/out"
    mkdir -p "$work/home-$suffix/.ssh"
    cp "$work/keys/id_ed25519" "$work/keys/id_ed25519.pub" "$work/home-$suffix/.ssh/"
    env -u DBUS_SESSION_BUS_ADDRESS -u SSH_AUTH_SOCK "$@" QT_SCALE_FACTOR="$scale" HOME="$work/home-$suffix" \
        XDG_DATA_HOME="$work/home-$suffix/.local/share" XDG_CONFIG_HOME="$work/config" \
        XDG_CACHE_HOME="$work/home-$suffix/.cache" "$editor" --script "$work/in" >"$work/out" 2>"$work/editor-$suffix.log" &
    local editor_pid=$!
    pids+=("$editor_pid")
    exec 7>"$work/in"
    ask() {  # one request; waits for its reply and prints it
        local before
        before=$(wc -l <"$work/out")
        echo "$1" >&7
        for _ in $(seq 600); do [[ $(wc -l <"$work/out") -gt $before ]] && break; sleep 0.05; done
        sed -n "$((before + 1))p" "$work/out"
    }
    must() {  # a request that must answer ok
        local reply
        reply=$(ask "$1")
        [[ $reply == *'"ok":true'* ]] || { echo "$1 answered ${reply:-nothing}" >&2; return 1; }
    }
    must "{\"op\":\"profile\",\"name\":\"lobby\",\"host\":\"127.0.0.1\",\"port\":$port,\"user\":\"$user\",\"key\":\"$work/home-$suffix/.ssh/id_ed25519\",\"folder\":\"$folder\",\"rconPort\":$rcon_port,\"rconPassword\":\"$rcon_password\",\"tunnel\":true,\"reload\":\"quorvel reload\"}"
    # A hosting panel's server beside it: password login, port 2022, RCON direct. Never reached.
    must '{"op":"profile","name":"survival","host":"panel.example.com","port":2022,"user":"survival.1a2b3c4d","password":"x","folder":"/plugins/Quorvel","rconHost":"panel.example.com","rconPort":25575,"tunnel":false,"reload":"quorvel reload"}'
    local main
    main=$(window "Quorvel")

    # (a) 服务器 → 服务器列表…, the lobby's profile shown; the RCON password typed shows as dots.
    xdotool windowactivate --sync "$main" key --clearmodifiers alt+s
    sleep 0.5
    xdotool key Return
    local dialog
    dialog=$(window "服务器列表")
    sleep 0.5
    # From the list, Tab walks the buttons below it and the form's fields down to RCON 密码.
    xdotool windowactivate --sync "$dialog" key --repeat 18 --delay 30 Tab
    xdotool type --delay 40 "$rcon_password"
    sleep 0.5
    import -window root "$out/remote-profiles-$suffix.png"
    xdotool key Escape
    gone "服务器列表"

    # (b) 文件 → 打开服务器上的文件… (Ctrl+Shift+O): the first contact asks about the host key.
    xdotool windowactivate --sync "$main" key --clearmodifiers ctrl+shift+o
    dialog=$(window "核对主机密钥")
    sleep 0.5
    import -window root "$out/remote-host-key-$suffix.png"
    # 取消 has the keyboard: Shift+Tab goes to 信任并连接, Space presses it.
    xdotool windowactivate --sync "$dialog" key shift+Tab space
    gone "核对主机密钥"

    # (c) The remote file dialog on the plugin's folder, sockets.yml chosen by typing its name.
    dialog=$(window "打开服务器上的文件")
    sleep 1.5
    xdotool windowactivate --sync "$dialog" type --delay 60 sockets
    sleep 0.5
    import -window root "$out/remote-files-$suffix.png"
    xdotool key Return
    gone "打开服务器上的文件"

    # (d) An entry of the server's file loaded and changed (宝石等级 5 → 6), then 保存并重载
    # through the tunnel, after a line of the reply panel's own.
    for _ in $(seq 100); do
        [[ $(ask '{"op":"entries","control":"编辑框20"}') == *'"ruby"'* ]] && break
        sleep 0.1
    done
    must '{"op":"load-entry","control":"编辑框20","entry":"ruby"}'
    must '{"op":"set","control":"编辑框63","text":"6"}'
    must '{"op":"update-entry","control":"编辑框20"}'
    must '{"op":"connect","profile":"lobby"}'
    must '{"op":"send","command":"list"}'
    must '{"op":"trigger","action":"save-and-reload"}'
    must '{"op":"show","panel":"replies"}'
    # The splitter above the dock dragged down as a person would, so the form keeps more room:
    # the dock about 170 logical pixels high, room for its lines and its command box.
    local x y w h
    read -r x y w h < <(ask '{"op":"layout"}' | python3 -c '
import json, sys
d = json.loads(sys.stdin.readline())["parts"]["replies"]
print(d["x"], d["y"], d["width"], d["height"])')
    local grip_x grip_y drop_y
    read -r grip_x grip_y drop_y < <(python3 -c "print(round(($x + $w / 3) * $scale), round(($y - 3) * $scale), round(($y - 3 + $h - 170) * $scale))")
    xdotool mousemove "$grip_x" "$grip_y"
    sleep 0.3
    xdotool mousedown 1
    for step in 1 2 3 4 5; do
        sleep 0.1
        xdotool mousemove "$grip_x" $((grip_y + (drop_y - grip_y) * step / 5))
    done
    xdotool mouseup 1
    sleep 1
    import -window root "$out/remote-main-$suffix.png"
    ask '{"op":"quit"}' >/dev/null
    exec 7>&-
    wait "$editor_pid" || true
}

shoot light
mkdir -p "$work/config/qt6ct"
printf '[Appearance]\ncolor_scheme_path=/usr/share/qt6ct/colors/darker.conf\ncustom_palette=true\nstyle=Fusion\n' \
    >"$work/config/qt6ct/qt6ct.conf"
shoot dark QT_QPA_PLATFORMTHEME=qt6ct
echo "screenshots in $out/"
