#!/usr/bin/env python3
"""The servers' files through the real executable, against a real OpenSSH server this test starts
on 127.0.0.1 (a full one: key login, forwarding; a panel-like one: password login for a user the
test makes, no posix-rename, no forwarding; one whose SFTP is cut after a set number of bytes) and
the RCON test server behind it. A script talks to the editor one line at a time (its standard
input), changing the server's files between lines as another client would; every reply is
compared whole, and no password or passphrase appears in a reply, in standard error or in any file
the editor wrote.

Usage: remote_test.py EDITOR RCON_TEST_SERVER SFTP_CUTTER
Exits 77 (skipped) where sshd cannot run.
"""
import json
import os
import pwd
import shutil
import socket
import subprocess
import sys
import tempfile
import time

EDITOR, RCON_SERVER, CUTTER = sys.argv[1], sys.argv[2], sys.argv[3]
SSHD = "/usr/sbin/sshd"
RCON_PASSWORD = "rcon-口令-e2e"
PASSPHRASE = "钥匙-e2e-passphrase"
PANEL_PASSWORD = "面板-e2e-Pw"
SECRETS = [RCON_PASSWORD, PASSPHRASE, PANEL_PASSWORD]
failures = 0


def check(what, condition, detail=""):
    global failures
    print(("ok: " if condition else "FAIL: ") + what + ("" if condition else "\n  " + str(detail)))
    if not condition:
        failures += 1


def free_ports(count):
    sockets = [socket.socket() for _ in range(count)]
    for s in sockets:
        s.bind(("127.0.0.1", 0))
    ports = [s.getsockname()[1] for s in sockets]
    for s in sockets:
        s.close()
    return ports


def keygen(path, passphrase=""):
    subprocess.run(["ssh-keygen", "-q", "-t", "ed25519", "-N", passphrase, "-C", "e2e", "-f", path], check=True)


def fingerprint(public_key):
    return subprocess.run(["ssh-keygen", "-lf", public_key], capture_output=True, text=True).stdout.split()[1]


class Sshd:
    def __init__(self, work):
        self.work = work
        self.files = os.path.join(work, "files")
        os.makedirs(self.files)
        os.chmod(work, 0o711)
        os.chmod(self.files, 0o777)
        keygen(os.path.join(work, "host"))
        keygen(os.path.join(work, "user"))
        keygen(os.path.join(work, "locked"), PASSPHRASE)
        with open(os.path.join(work, "authorized_keys"), "w") as out:
            for name in ("user.pub", "locked.pub"):
                with open(os.path.join(work, name)) as key:
                    out.write(key.read())
        self.panel_user = None
        if os.geteuid() == 0:
            os.makedirs("/run/sshd", exist_ok=True)
            name = "qve.%x" % os.getpid()
            if subprocess.run(["useradd", "-M", "-d", self.files, "-s", "/usr/sbin/nologin", name]).returncode == 0:
                self.panel_user = name
                subprocess.run(["chpasswd"], input=("%s:%s\n" % (name, PANEL_PASSWORD)).encode(), check=True)
        self.control = os.path.join(work, "cut.control")
        self.set_cut(-1)
        self.full, self.panel, self.cut = free_ports(3)
        config = os.path.join(work, "sshd_config")
        with open(config, "w") as out:
            out.write("\n".join([
                "ListenAddress 127.0.0.1:%d" % self.full,
                "ListenAddress 127.0.0.1:%d" % self.panel,
                "ListenAddress 127.0.0.1:%d" % self.cut,
                "HostKey %s" % os.path.join(work, "host"),
                "PidFile none", "UsePAM no", "StrictModes no", "PermitRootLogin prohibit-password",
                "AuthorizedKeysFile %s" % os.path.join(work, "authorized_keys"),
                "PasswordAuthentication no", "KbdInteractiveAuthentication no", "LogLevel INFO",
                "Subsystem sftp internal-sftp", "AllowTcpForwarding yes",
                "Match LocalPort %d" % self.panel,
                "    PasswordAuthentication yes", "    AllowTcpForwarding no",
                "    ForceCommand internal-sftp -P posix-rename",
                "Match LocalPort %d" % self.cut,
                "    SetEnv SHLVL=5",
                "    ForceCommand %s %s %s" % (CUTTER, self.control, os.path.join(work, "cut.log")), ""]))
        self.process = subprocess.Popen([SSHD, "-D", "-e", "-f", config], stderr=subprocess.PIPE)
        seen = b""
        while seen.count(b"Server listening on") < 3:
            line = self.process.stderr.readline()
            if not line:
                raise SystemExit("sshd did not start:\n" + seen.decode(errors="replace"))
            seen += line

    def set_cut(self, limit):
        with open(self.control, "w") as out:
            out.write("%d\n/usr/lib/openssh/sftp-server\n" % limit)

    def host_line(self, port):
        with open(os.path.join(self.work, "host.pub")) as key:
            kind, blob = key.read().split()[:2]
        return "[127.0.0.1]:%d %s %s\n" % (port, kind, blob)

    def stop(self):
        self.process.kill()
        self.process.wait()
        if self.panel_user:
            subprocess.run(["userdel", self.panel_user])


class Editor:
    """The editor under --script -, one request at a time."""

    def __init__(self, work):
        self.env = dict(os.environ, QT_QPA_PLATFORM="offscreen", HOME=work, XDG_DATA_HOME=os.path.join(work, "data"),
                        XDG_CONFIG_HOME=os.path.join(work, "config"), XDG_CACHE_HOME=os.path.join(work, "cache"),
                        XDG_RUNTIME_DIR=os.path.join(work, "runtime"), LANG="C.UTF-8")
        self.env.pop("DBUS_SESSION_BUS_ADDRESS", None)
        self.env.pop("SSH_AUTH_SOCK", None)
        os.makedirs(self.env["XDG_RUNTIME_DIR"], mode=0o700, exist_ok=True)
        self.stderr = open(os.path.join(work, "stderr.txt"), "w+b")
        self.process = subprocess.Popen([EDITOR, "--script", "-"], env=self.env, cwd=work, stdin=subprocess.PIPE,
                                        stdout=subprocess.PIPE, stderr=self.stderr)
        self.replies = []

    def op(self, request):
        self.process.stdin.write((json.dumps(request, ensure_ascii=False) + "\n").encode())
        self.process.stdin.flush()
        line = self.process.stdout.readline().decode()
        if not line:
            raise SystemExit("FAIL: the editor ended before answering %s" % json.dumps(request, ensure_ascii=False))
        self.replies.append(line)
        return json.loads(line)

    def close(self):
        self.process.stdin.close()
        code = self.process.wait(timeout=60)
        self.stderr.seek(0)
        return code, self.stderr.read()


def expect(editor, request, expected, what=None):
    reply = editor.op(request)
    check(what or json.dumps(request, ensure_ascii=False)[:120], reply == expected,
          "expected %s\n  got      %s" % (json.dumps(expected, ensure_ascii=False), json.dumps(reply, ensure_ascii=False)))
    return reply


def read(path):
    with open(path, "rb") as f:
        return f.read()


def write(path, data):
    with open(path, "wb") as f:
        f.write(data)


def main():
    if not os.path.exists(SSHD):
        print("sshd is not installed (openssh-server)")
        return 77
    work = tempfile.mkdtemp(prefix="qv-remote-e2e-")
    os.chmod(work, 0o711)
    sshd = Sshd(os.path.join(work, "server"))
    game = subprocess.Popen([RCON_SERVER, "--password", RCON_PASSWORD], stdout=subprocess.PIPE)
    game_port = int(game.stdout.readline())
    editor = Editor(os.path.join(work, "home"))
    try:
        run(sshd, editor, game_port)
        run_folder(sshd, editor, game_port)
    finally:
        code, stderr = editor.close()
        check("the editor ends cleanly", code == 0, code)
        for secret in SECRETS:
            check("no secret on standard error", secret.encode() not in stderr, stderr[:400])
            check("no secret in a reply", all(secret not in line for line in editor.replies))
        for folder, _, names in os.walk(os.path.join(work, "home")):
            for name in names:
                path = os.path.join(folder, name)
                if os.path.isfile(path) and not os.path.islink(path):
                    content = read(path)
                    for secret in SECRETS:
                        check("no secret in %s" % os.path.relpath(path, work),
                              secret.encode() not in content and secret.encode("utf-16-le") not in content)
        game.kill()
        game.wait()
        sshd.stop()
        shutil.rmtree(work, ignore_errors=True)
    print("%d failed" % failures)
    return 1 if failures else 0


def run(sshd, editor, game_port):
    user = pwd.getpwuid(os.geteuid()).pw_name
    folder = os.path.join(sshd.files, "lobby")
    os.makedirs(folder)
    os.chmod(folder, 0o777)
    host_key = fingerprint(os.path.join(sshd.work, "host.pub"))
    lobby = {"op": "profile", "name": "lobby", "host": "127.0.0.1", "port": sshd.full, "user": user,
             "key": os.path.join(sshd.work, "user"), "folder": folder, "rconPort": game_port,
             "rconPassword": RCON_PASSWORD, "tunnel": True, "reload": "quorvel reload"}
    expect(editor, lobby, {"ok": True})
    expect(editor, {"op": "profiles"}, {"ok": True, "profiles": [
        {"name": "lobby", "host": "127.0.0.1", "port": sshd.full, "user": user, "folder": folder, "tunnel": True}]})

    # A host not trusted yet: nothing but the key exchange, and the fingerprint.
    reply = editor.op({"op": "remote-list", "profile": "lobby", "path": "."})
    check("unknown-host with the fingerprint", reply.get("code") == "unknown-host" and reply.get("fingerprint") == host_key
          and set(reply) == {"ok", "code", "error", "fingerprint"}, reply)
    expect(editor, {"op": "trust-host", "profile": "lobby", "fingerprint": host_key}, {"ok": True})

    text = "ruby:\r\n    Display_Name: '&c红宝石'\r\n".encode()
    write(os.path.join(folder, "sockets.yml"), text)
    os.mkdir(os.path.join(folder, "old"))
    os.symlink("sockets.yml", os.path.join(folder, "x.yml"))
    listed = {"ok": True, "path": folder, "files": []}
    for name in sorted(os.listdir(folder)):
        info = os.lstat(os.path.join(folder, name))
        entry = {"name": name, "type": "link" if os.path.islink(os.path.join(folder, name))
                 else "dir" if os.path.isdir(os.path.join(folder, name)) else "file",
                 "size": info.st_size, "mtime": int(info.st_mtime)}
        if entry["type"] == "link":
            entry["target"] = "file"
        listed["files"].append(entry)
    expect(editor, {"op": "remote-list", "profile": "lobby", "path": "."}, listed)

    expect(editor, {"op": "open", "control": "编辑框20", "profile": "lobby", "path": "sockets.yml", "encoding": "auto",
                    "mode": "replace"},
           {"ok": True, "encoding": "UTF-8", "lineEnd": "CRLF", "lines": 2})
    expect(editor, {"op": "save", "control": "编辑框20"}, {"ok": True, "bytes": len(text)})
    check("an unchanged save writes the same bytes", read(os.path.join(folder, "sockets.yml")) == text)
    expect(editor, {"op": "set", "control": "编辑框20", "text": "ruby:\n    Display_Name: '&9蓝宝石'\n"}, {"ok": True})
    new = "ruby:\r\n    Display_Name: '&9蓝宝石'\r\n".encode()
    expect(editor, {"op": "save", "control": "编辑框20"}, {"ok": True, "bytes": len(new)})
    check("the edit is written in the file's format", read(os.path.join(folder, "sockets.yml")) == new)

    # Another client saves between open and save: refused with nothing written, then forced.
    write(os.path.join(folder, "sockets.yml"), b"other: client\n")
    expect(editor, {"op": "set", "control": "编辑框20", "text": "ruby: 1\n"}, {"ok": True})
    expect(editor, {"op": "save", "control": "编辑框20"}, {
        "ok": False, "code": "changed-on-server",
        "error": "服务器上的文件在打开或上次保存之后被别人改动过：lobby:%s/sockets.yml。保存会覆盖那些改动，没有写入。" % folder})
    check("nothing written", read(os.path.join(folder, "sockets.yml")) == b"other: client\n")
    expect(editor, {"op": "save", "control": "编辑框20", "force": True}, {"ok": True, "bytes": 9})
    check("forced", read(os.path.join(folder, "sockets.yml")) == b"ruby: 1\r\n")

    reply = editor.op({"op": "save", "control": "编辑框20", "profile": "lobby", "path": "old"})
    check("a folder is not-regular", reply.get("code") == "not-regular" and set(reply) == {"ok", "code", "error"}, reply)
    expect(editor, {"op": "set", "control": "编辑框20", "text": "ruby: [\n"}, {"ok": True})
    reply = editor.op({"op": "save", "control": "编辑框20"})
    check("invalid-yaml as today", reply.get("code") == "invalid-yaml", reply)
    expect(editor, {"op": "set", "control": "编辑框20", "text": "ruby: 2\n"}, {"ok": True})

    # RCON through the tunnel, and 保存并重载 on the server's file.
    expect(editor, {"op": "connect", "profile": "lobby"}, {"ok": True})
    expect(editor, {"op": "send", "command": "/echo §6红宝石"}, {"ok": True, "reply": "§6红宝石"})
    expect(editor, {"op": "trigger", "action": "save-and-reload"}, {
        "ok": True, "message": "已保存 lobby:%s/sockets.yml（9 字节）" % folder,
        "reply": "Unknown or incomplete command, see below for error\nquorvel reload<--[HERE]"})
    reply = editor.op({"op": "reply-preview"})
    check("reply-preview as today", reply.get("ok") is True and len(reply.get("lines", [])) == 2, reply)
    expect(editor, {"op": "disconnect"}, {"ok": True})

    # A key with a passphrase: refused without it, opened with it.
    locked = dict(lobby, name="locked", key=os.path.join(sshd.work, "locked"))
    expect(editor, locked, {"ok": True})
    reply = editor.op({"op": "remote-list", "profile": "locked"})
    check("auth-failed without the passphrase", reply.get("code") == "auth-failed", reply)
    expect(editor, dict(locked, passphrase=PASSPHRASE), {"ok": True})
    check("a key with its passphrase", editor.op({"op": "remote-list", "profile": "locked"}).get("ok") is True)

    # Nothing listens; a key kept for the host that is not the one it shows.
    expect(editor, dict(lobby, name="closed", port=free_ports(1)[0]), {"ok": True})
    reply = editor.op({"op": "remote-list", "profile": "closed"})
    check("unreachable", reply.get("code") == "unreachable", reply)
    known = None
    for folder_name, _, names in os.walk(editor.env["XDG_DATA_HOME"]):
        if "known_hosts" in names:
            known = os.path.join(folder_name, "known_hosts")
    check("the editor's own known_hosts", known is not None)
    other = os.path.join(sshd.work, "other")
    keygen(other)
    with open(other + ".pub") as key:
        kind, blob = key.read().split()[:2]
    with open(known, "a") as out:
        out.write("[127.0.0.1]:%d %s %s\n" % (sshd.cut, kind, blob))
    expect(editor, dict(lobby, name="cut", port=sshd.cut), {"ok": True})
    reply = editor.op({"op": "remote-list", "profile": "cut"})
    check("host-key-changed with both fingerprints",
          reply.get("code") == "host-key-changed" and reply.get("fingerprint") == host_key
          and reply.get("known") == fingerprint(other + ".pub"), reply)

    # A link cut in the middle of a save: what NAME holds is told.
    lines = [line for line in read(known).decode().splitlines(True) if not line.startswith("[127.0.0.1]:%d " % sshd.cut)]
    write(known, "".join(lines).encode() + sshd.host_line(sshd.cut).encode())
    big = b"".join(b"key%d: value\n" % i for i in range(6000))
    write(os.path.join(folder, "big.yml"), big)
    # The SFTP channel the open starts reads the cut: past the open's few requests, inside the save's
    # writes.
    sshd.set_cut(30000)
    expect(editor, {"op": "open", "control": "编辑框20", "profile": "cut", "path": "big.yml", "force": True},
           {"ok": True, "encoding": "UTF-8", "lineEnd": "LF", "lines": 6000})
    expect(editor, {"op": "set", "control": "编辑框20", "text": big.decode() + "added: 1\n"}, {"ok": True})
    reply = editor.op({"op": "save", "control": "编辑框20"})
    check("dropped with the state of the file", reply.get("code") == "dropped" and reply.get("state") == "old"
          and set(reply) == {"ok", "code", "error", "state"}, reply)
    check("the old text whole", read(os.path.join(folder, "big.yml")) == big)
    sshd.set_cut(-1)

    # A hosting panel: password login, no posix-rename, no forwarding.
    if sshd.panel_user:
        with open(known, "a") as out:
            out.write(sshd.host_line(sshd.panel))
        panel = {"op": "profile", "name": "panel", "host": "127.0.0.1", "port": sshd.panel, "user": sshd.panel_user,
                 "password": "wrong", "folder": folder, "rconPort": game_port, "rconPassword": RCON_PASSWORD}
        expect(editor, panel, {"ok": True})
        reply = editor.op({"op": "remote-list", "profile": "panel"})
        check("a wrong password is auth-failed", reply.get("code") == "auth-failed", reply)
        expect(editor, dict(panel, password=PANEL_PASSWORD), {"ok": True})
        write(os.path.join(folder, "config.yml"), b"a: 1\n")
        expect(editor, {"op": "open", "control": "编辑框20", "profile": "panel", "path": "config.yml", "force": True},
               {"ok": True, "encoding": "UTF-8", "lineEnd": "LF", "lines": 1})
        expect(editor, {"op": "set", "control": "编辑框20", "text": "a: 2\n"}, {"ok": True})
        reply = editor.op({"op": "save", "control": "编辑框20"})
        check("a save on the panel server", reply.get("ok") is True and reply.get("bytes") == 5, reply)
        check("the panel's save keeps the old text as .bak", read(os.path.join(folder, "config.yml")) == b"a: 2\n"
              and read(os.path.join(folder, "config.yml.bak")) == b"a: 1\n")
        reply = editor.op({"op": "connect", "profile": "panel"})
        check("no-tunnel", reply.get("code") == "no-tunnel", reply)
    else:
        print("skipped: the panel server (not root: no user can be made)")


def run_folder(sshd, editor, game_port):
    """The plugin's folder on the server: read over SFTP as the same folder is read on this
    computer (the sshd serves a folder of this machine, so the local reading is the answer), its
    find and check, an entry opened from it, F5, and 保存并重载 held back by what a save adds."""
    user = pwd.getpwuid(os.geteuid()).pw_name
    root = os.path.join(sshd.files, "plugin")
    shutil.copytree(os.path.join(os.path.dirname(os.path.abspath(__file__)), "..", "project", "plugin"), root)
    for folder, dirs, names in os.walk(root):
        os.chmod(folder, 0o777)
        for name in names:
            os.chmod(os.path.join(folder, name), 0o666)
    os.symlink("sockets.yml", os.path.join(root, "linked.yml"))
    os.mkfifo(os.path.join(root, "pipe.yml"))
    plug = {"op": "profile", "name": "plug", "host": "127.0.0.1", "port": sshd.full, "user": user,
            "key": os.path.join(sshd.work, "user"), "folder": root, "rconPort": game_port,
            "rconPassword": RCON_PASSWORD, "tunnel": True, "reload": "quorvel reload"}
    expect(editor, plug, {"ok": True})

    local = editor.op({"op": "folder", "path": root})
    local_find = editor.op({"op": "find", "text": "红宝石"})
    local_check = editor.op({"op": "folder-check"})
    remote = editor.op({"op": "folder", "profile": "plug"})
    check("folder over SFTP: the files, kinds and counts of the same folder read here",
          remote.get("ok") is True and remote.get("files") == local.get("files"), (remote, local))
    check("folder over SFTP: the link and the pipe skipped",
          [item["path"] for item in remote.get("skipped", [])] == ["linked.yml", "pipe.yml"], remote)
    expect(editor, {"op": "find", "text": "红宝石"}, local_find)
    expect(editor, {"op": "folder-check"}, local_check)

    reply = editor.op({"op": "open-entry", "file": "more/extra.yml", "entry": "sapphire", "force": True})
    check("open-entry of the server's file", reply == {"ok": True, "page": 4, "extras": []}, reply)
    check("the panel holds the server's file",
          editor.op({"op": "text", "control": "编辑框20"}).get("text", "").replace("\r\n", "\n")
          == read(os.path.join(root, "more", "extra.yml")).decode().replace("\r\n", "\n"))

    # Another client changes a file: F5 marks it.
    write(os.path.join(root, "config.yaml"), b"language: en_US\n")
    reply = editor.op({"op": "folder"})
    check("folder again over SFTP: the changed file marked, no other",
          [f for f in reply.get("files", []) if "change" in f]
          == [{"path": "config.yaml", "kind": "other", "entries": 1, "change": "changed"}], reply)

    # 保存并重载 of the server's file: a second ruby is held back after the save, then forced.
    text = editor.op({"op": "text", "control": "编辑框20"})["text"]
    expect(editor, {"op": "set", "control": "编辑框20",
                    "text": text + "ruby:\n  Display_Name: \"&c又一个\"\n  Max_Grade: 1\n"}, {"ok": True})
    reply = editor.op({"op": "trigger", "action": "save-and-reload"})
    check("save-and-reload over SFTP: held back by the findings the save adds",
          reply.get("code") == "folder-findings"
          and sorted((f["file"], f["code"], f["entry"]) for f in reply.get("findings", [])) == [
              ("more/extra.yml", "duplicate-id", "ruby"), ("sockets.yml", "duplicate-id", "ruby")], reply)
    check("save-and-reload over SFTP: the file saved before the check",
          read(os.path.join(root, "more", "extra.yml")).replace(b"\r\n", b"\n").endswith(
              "ruby:\n  Display_Name: \"&c又一个\"\n  Max_Grade: 1\n".encode()))
    reply = editor.op({"op": "trigger", "action": "save-and-reload", "force": True})
    check("save-and-reload forced: the reload sent through the tunnel",
          reply.get("ok") is True and reply.get("reply", "").endswith("quorvel reload<--[HERE]"), reply)


if __name__ == "__main__":
    sys.exit(main())
