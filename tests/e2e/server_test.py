#!/usr/bin/env python3
"""The server link through the real executable: a script connects to the test server (a
separate process on 127.0.0.1), sends commands and a panel's lines, reads the last answer as the
game draws it and disconnects; every reply is compared whole, and neither the replies nor any
file the editor wrote holds the password.

Usage: server_test.py EDITOR RCON_TEST_SERVER
"""
import json
import os
import subprocess
import sys
import tempfile

EDITOR, SERVER = sys.argv[1], sys.argv[2]
PASSWORD = "口令-e2e-不应落盘"
HOST = "127.0.0.1"
# Why a line that acts on the item in hand stays in the panel.
ATT_SKIPPED = "/att 作用于输入它的玩家手中的物品（加属性），控制台没有手持物品：请在游戏的聊天框中输入"


def start_server(*options):
    server = subprocess.Popen([SERVER, "--password", PASSWORD, *options], stdout=subprocess.PIPE)
    return server, int(server.stdout.readline())


def chinese_text(units):
    """The test server's "big N": N UTF-16 units of Chinese text with colour codes."""
    pattern = "§6红宝石§r的光芒§l照亮§r了整片§b大地§r，"
    return (pattern * (units // len(pattern) + 1))[:units]


def run_editor(requests, work):
    script = os.path.join(work, "script.jsonl")
    with open(script, "w", encoding="utf-8") as out:
        for request in requests:
            out.write(json.dumps(request, ensure_ascii=False) + "\n")
    env = dict(os.environ, QT_QPA_PLATFORM="offscreen", HOME=work, XDG_DATA_HOME=os.path.join(work, "data"),
               XDG_CONFIG_HOME=os.path.join(work, "config"), XDG_CACHE_HOME=os.path.join(work, "cache"),
               XDG_RUNTIME_DIR=os.path.join(work, "runtime"), LANG="C.UTF-8")
    env.pop("DBUS_SESSION_BUS_ADDRESS", None)
    os.makedirs(env["XDG_RUNTIME_DIR"], mode=0o700, exist_ok=True)
    done = subprocess.run([EDITOR, "--script", script], env=env, cwd=work, capture_output=True, timeout=120)
    if done.returncode != 0:
        raise SystemExit("FAIL: the editor exited with %d\n%s" % (done.returncode, done.stderr.decode()))
    return done.stdout.decode("utf-8").splitlines()


def main():
    server, port = start_server()
    stalled, stalled_port = start_server("--stall", "commands")
    try:
        address = "%s:%d" % (HOST, port)
        over = "echo " + "x" * 1442
        panel = "/echo 第一行\r\n/att Stats DAMAGE 10\r\n\r\n/list\r\n"
        cases = [
            ({"op": "send", "command": "list"},
             {"ok": False, "code": "not-connected", "error": "未连接服务器，“list”没有发送"}),
            ({"op": "connect", "host": HOST, "port": port, "password": "不对"},
             {"ok": False, "code": "auth-failed", "error": "密码错误，%s 拒绝了登录" % address}),
            ({"op": "connect", "host": HOST, "port": port, "password": PASSWORD}, {"ok": True}),
            ({"op": "send", "command": "/echo §6红宝石§r 的§l光芒"}, {"ok": True, "reply": "§6红宝石§r 的§l光芒"}),
            ({"op": "send", "command": "big 9000"}, {"ok": True, "reply": chinese_text(9000)}),
            ({"op": "send", "command": over},
             {"ok": False, "code": "too-long", "bytes": 1447,
              "error": "“%s…”有 1447 字节，超过了服务器能收的 1446 字节（约 480 个汉字），没有发送" % over[:40]}),
            ({"op": "set", "control": "编辑框1", "text": panel}, {"ok": True}),
            ({"op": "send", "control": "编辑框1"},
             {"ok": True, "results": [
                 {"line": 1, "command": "echo 第一行", "reply": "第一行"},
                 {"line": 2, "command": "att Stats DAMAGE 10", "skipped": ATT_SKIPPED},
                 {"line": 4, "command": "list", "reply": "There are 2 of a max of 20 players online: Steve, 小明"},
             ]}),
            ({"op": "send", "command": "echo §6红宝石§r的§l光芒"}, {"ok": True, "reply": "§6红宝石§r的§l光芒"}),
            ({"op": "reply-preview"},
             {"ok": True, "lines": [[
                 {"text": "红宝石", "color": "#ffaa00", "bold": False, "italic": False, "underlined": False,
                  "strikethrough": False, "obfuscated": False},
                 {"text": "的", "color": "#ffffff", "bold": False, "italic": False, "underlined": False,
                  "strikethrough": False, "obfuscated": False},
                 {"text": "光芒", "color": "#ffffff", "bold": True, "italic": False, "underlined": False,
                  "strikethrough": False, "obfuscated": False},
             ]]}),
            ({"op": "disconnect"}, {"ok": True}),
            ({"op": "send", "command": "list"},
             {"ok": False, "code": "not-connected", "error": "未连接服务器，“list”没有发送"}),
            ({"op": "connect", "host": HOST, "port": stalled_port, "password": PASSWORD}, {"ok": True}),
            ({"op": "send", "command": "list", "timeoutMs": 500},
             {"ok": False, "code": "timeout", "error": "“list”在0.5 秒内没有得到完整的回答（没有重发）"}),
            ({"op": "disconnect"}, {"ok": True}),
        ]
        with tempfile.TemporaryDirectory() as work:
            replies = run_editor([request for request, _ in cases], work)
            failures = 0
            if len(replies) != len(cases):
                print("FAIL: %d replies to %d requests" % (len(replies), len(cases)))
                return 1
            for (request, expected), line in zip(cases, replies):
                if PASSWORD in line:
                    print("FAIL: the password in the reply to %s" % json.dumps(request, ensure_ascii=False))
                    failures += 1
                if json.loads(line) != expected:
                    failures += 1
                    print("FAIL: %s\n  expected %s\n  got      %s" % (json.dumps(request, ensure_ascii=False)[:200],
                                                                    json.dumps(expected, ensure_ascii=False)[:400],
                                                                    line[:400]))
            secret = PASSWORD.encode("utf-8")
            for folder, _, names in os.walk(work):
                for name in names:
                    path = os.path.join(folder, name)
                    if name == "script.jsonl" or not os.path.isfile(path):
                        continue  # the script holds the password: it was given there
                    with open(path, "rb") as f:
                        if secret in f.read():
                            print("FAIL: the password in %s" % path)
                            failures += 1
        print("%d passed, %d failed" % (len(cases) - failures, failures))
        return 1 if failures else 0
    finally:
        for process in (server, stalled):
            process.kill()
            process.wait()


if __name__ == "__main__":
    sys.exit(main())
