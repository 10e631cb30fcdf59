#!/usr/bin/env python3
"""The plugin's folder through the real executable: a copy of the hand-written folder of
tests/project/plugin (GBK and UTF-8 files, a file the server cannot read, a subfolder) with a
link and a pipe made here, driven one request at a time: the folder, find, folder-check and
open-entry replies whole, the marks of a second reading, and 保存并重载 held back by the findings
a save adds. The pipe is never written to: a reading that waited on it would never answer.

Usage: folder_test.py EDITOR PLUGIN_FOLDER
"""
import json
import os
import shutil
import subprocess
import sys
import tempfile

EDITOR, PLUGIN = sys.argv[1], sys.argv[2]
work = tempfile.mkdtemp(prefix="quorvel-folder.")
env = dict(os.environ, QT_QPA_PLATFORM="offscreen", XDG_DATA_HOME=os.path.join(work, "data"),
           XDG_RUNTIME_DIR=os.path.join(work, "runtime"))
os.makedirs(env["XDG_RUNTIME_DIR"], mode=0o700)
root = os.path.join(work, "Quorvel")
shutil.copytree(PLUGIN, root)
os.symlink(os.path.join(root, "sockets.yml"), os.path.join(root, "linked.yml"))
os.mkfifo(os.path.join(root, "pipe.yml"))
failures = 0


def check(what, condition, detail=""):
    global failures
    print(("ok: " if condition else "FAIL: ") + what + ("" if condition else "\n  " + str(detail)))
    if not condition:
        failures += 1


editor = subprocess.Popen([EDITOR, "--script", "-"], env=env, stdin=subprocess.PIPE, stdout=subprocess.PIPE,
                          stderr=subprocess.DEVNULL)


def ask(request):
    editor.stdin.write((json.dumps(request, ensure_ascii=False) + "\n").encode("utf-8"))
    editor.stdin.flush()
    line = editor.stdout.readline()
    if not line:
        raise SystemExit("the editor ended before answering " + json.dumps(request, ensure_ascii=False))
    return json.loads(line.decode("utf-8"))


def write(relative, text):
    with open(os.path.join(root, relative), "w", encoding="utf-8", newline="") as out:
        out.write(text)


LINK = "这是符号链接，没有读取（编辑器不跟随文件夹里的链接）"
FILES = [
    {"path": "broken.yml", "kind": "element", "entries": 1},
    {"path": "config.yaml", "kind": "other", "entries": 2},
    {"path": "elements.yml", "kind": "element", "entries": 3},
    {"path": "gems-extra.yml", "kind": "gem", "entries": 3},
    {"path": "keylore.yml", "kind": "keylore", "entries": 4},
    {"path": "sockets.yml", "kind": "gem", "entries": 3},
    {"path": "more/extra.yml", "kind": "mixed", "entries": 2},
]

try:
    reply = ask({"op": "folder-check"})
    check("folder-check before a folder: no-folder", reply.get("code") == "no-folder" and reply["ok"] is False, reply)

    reply = ask({"op": "folder", "path": root})
    check("folder: every YAML file in name order with its kind and count, the link and the pipe skipped",
          reply == {"ok": True, "files": FILES,
                    "skipped": [{"path": "linked.yml", "why": LINK},
                                {"path": "pipe.yml", "why": "这不是普通文件（命名管道），没有读取"}]}, reply)

    reply = ask({"op": "find", "text": "红宝石"})
    check("find: the name with its colour codes off",
          reply == {"ok": True, "matches": [{"file": "sockets.yml", "entry": "ruby", "kind": "gem", "line": 2}]},
          reply)
    reply = ask({"op": "find", "text": "1.0"})
    check("find: identifiers as the server names them, in the order of the files and lines",
          reply == {"ok": True, "matches": [
              {"file": "gems-extra.yml", "entry": "1.0", "kind": "gem", "line": 8},
              {"file": "gems-extra.yml", "entry": "1.00", "kind": "gem", "line": 11},
              {"file": "sockets.yml", "entry": "1.00", "kind": "gem", "line": 20}]}, reply)

    ask({"op": "set", "control": "编辑框1",
         "text": "/socket load gems sapphire 1 Steve\n/socket load gems opal 1 Steve\n/attribute element earth 10\n"})
    reply = ask({"op": "folder-check"})
    findings = reply.get("findings", [])
    check("folder-check: every finding of the hand-written folder, the command panel's last",
          [(f.get("file", f.get("panel")), f["line"], f["code"], f.get("entry")) for f in findings] == [
              ("broken.yml", 5, "unreadable", None),
              ("elements.yml", 7, "unknown-element", "ice"),
              ("elements.yml", 10, "duplicate-id", "water"),
              ("elements.yml", 15, "duplicate-id", "water"),
              ("gems-extra.yml", 8, "duplicate-id", "1.0"),
              ("keylore.yml", 1, "duplicate-keylore", "heal"),
              ("keylore.yml", 5, "duplicate-keylore", "cure"),
              ("sockets.yml", 19, "mismatched-effect", "emerald"),
              ("sockets.yml", 20, "duplicate-id", "1.0"),
              ("编辑框1", 2, "unknown-gem", "opal")], findings)
    check("folder-check: a duplicate-id names the other place",
          findings[4] == {"file": "gems-extra.yml", "line": 8, "code": "duplicate-id", "entry": "1.0",
                          "other": {"file": "sockets.yml", "line": 20},
                          "message": "宝石识别名“1.0”在sockets.yml 第 20 行也有定义"}, findings[4:5])
    check("folder-check: a command panel's finding names the panel and its line",
          findings[-1] == {"panel": "编辑框1", "line": 2, "code": "unknown-gem", "entry": "opal",
                           "message": "/socket load gems 写的宝石“opal”，文件夹里没有文件定义这个宝石"}, findings[-1:])
    check("folder-check: the unreadable file with the check's line and column",
          findings[0] == {"file": "broken.yml", "line": 5, "column": 1, "code": "unreadable",
                          "message": "服务器无法读取这个文件：制表符（Tab）不能用于缩进或放在这里，请改用空格"},
          findings[0])

    reply = ask({"op": "open-entry", "file": "gems-extra.yml", "entry": "topaz"})
    check("open-entry: answers as load-entry", reply == {"ok": True, "page": 4, "extras": []}, reply)
    check("open-entry: the GBK file's name in the gem page",
          ask({"op": "text", "control": "编辑框61"}).get("text") == "&6黄玉")
    check("open-entry: a file the folder has not", ask({"op": "open-entry", "file": "x.yml", "entry": "a"}).get(
        "code") == "unknown-file")

    # A second reading marks what changed since the first.
    write("config.yaml", "language: en_US\n")
    write("more/new.yml", "opal:\n  Display_Name: \"&f蛋白石\"\n  Max_Grade: 1\n")
    os.remove(os.path.join(root, "broken.yml"))
    reply = ask({"op": "folder"})
    check("folder again: the files changed and added marked, the one gone named",
          reply.get("files", [])[0] == {"path": "config.yaml", "kind": "other", "entries": 1, "change": "changed"}
          and reply["files"][-1] == {"path": "more/new.yml", "kind": "gem", "entries": 1, "change": "added"}
          and reply.get("removed") == ["broken.yml"]
          and all("change" not in f for f in reply["files"][1:-1]), reply)

    # 保存并重载: a save that defines ruby a second time is held back, the file saved.
    reply = ask({"op": "open-entry", "file": "more/extra.yml", "entry": "sapphire"})
    check("open-entry of the subfolder's file", reply == {"ok": True, "page": 4, "extras": []}, reply)
    text = ask({"op": "text", "control": "编辑框20"})["text"]
    ask({"op": "set", "control": "编辑框20", "text": text + "ruby:\n  Display_Name: \"&c又一个\"\n  Max_Grade: 1\n"})
    reply = ask({"op": "trigger", "action": "save-and-reload"})
    check("save-and-reload: refused with the findings the save adds",
          reply.get("ok") is False and reply.get("code") == "folder-findings"
          and [(f["file"], f["line"], f["code"], f["entry"], f["other"]) for f in reply.get("findings", [])] == [
              ("sockets.yml", 2, "duplicate-id", "ruby", {"file": "more/extra.yml", "line": 10}),
              ("more/extra.yml", 10, "duplicate-id", "ruby", {"file": "sockets.yml", "line": 2})], reply)
    with open(os.path.join(root, "more/extra.yml"), "rb") as saved:
        check("save-and-reload: the file is saved before the check",
              saved.read().endswith("ruby:\n  Display_Name: \"&c又一个\"\n  Max_Grade: 1\n".encode("utf-8")))
    reply = ask({"op": "trigger", "action": "save-and-reload", "force": True})
    check("save-and-reload forced: on to the reload, which has no server here",
          reply.get("code") == "not-connected", reply)
finally:
    editor.stdin.close()
    try:
        editor.wait(timeout=60)
    except subprocess.TimeoutExpired:
        editor.kill()
        failures += 1
        print("FAIL: the editor did not end")
    shutil.rmtree(work, ignore_errors=True)

sys.exit(1 if failures else 0)
