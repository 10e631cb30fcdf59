#!/usr/bin/env python3
"""Files and sessions through the real executable (--script): open and save round trips byte
for byte in UTF-8 and GBK with LF and CR LF, appending to a file, every refusal with the file
and the panel unchanged, the session after a normal close and after kill -9 at random moments,
taking back a clear and removing the last append.

Usage: files_test.py EDITOR [KILL_RUNS]
"""
import hashlib
import json
import os
import random
import stat
import subprocess
import sys
import tempfile
import time

EDITOR = sys.argv[1]
KILL_RUNS = int(sys.argv[2]) if len(sys.argv) > 2 else 100
work = tempfile.mkdtemp(prefix="quorvel-files.")
env = dict(os.environ, QT_QPA_PLATFORM="offscreen", XDG_RUNTIME_DIR=os.path.join(work, "runtime"),
           XDG_DATA_HOME=os.path.join(work, "data"))
os.makedirs(env["XDG_RUNTIME_DIR"], mode=0o700)
failures = 0


def check(what, condition, detail=""):
    global failures
    if condition:
        print("ok: " + what)
    else:
        failures += 1
        print("FAIL: " + what + (("\n  " + str(detail)) if detail else ""))


def run(requests, *extra):
    """Runs one editor with the requests as its script; returns the replies."""
    script = os.path.join(work, "script.jsonl")
    with open(script, "w", encoding="utf-8") as out:
        for request in requests:
            out.write(json.dumps(request, ensure_ascii=False) + "\n")
    done = subprocess.run([EDITOR, "--script", script, *extra], env=env, capture_output=True, timeout=60)
    replies = [json.loads(line) for line in done.stdout.decode("utf-8").splitlines()]
    if len(replies) != len(requests):
        raise SystemExit("FAIL: %d replies to %d requests: %s" % (len(replies), len(requests), done.stderr))
    return replies


def path(name):
    return os.path.join(work, name)


def write(name, data):
    with open(path(name), "wb") as out:
        out.write(data)
    return path(name)


def read(name):
    with open(path(name), "rb") as source:
        return source.read()


def opened(name, **more):
    return dict({"op": "open", "control": "编辑框20", "path": path(name)}, **more)


def saved(name, control="编辑框20", **more):
    return dict({"op": "save", "control": control, "path": path(name)}, **more)


TEXT = {"op": "text", "control": "编辑框20"}
OK = {"ok": True}

# --- round trips: what was opened is saved back byte for byte ----------------------------------
GEM = "ruby:\n  Display_name: \"&c红宝石\"\n  Material: REDSTONE\n  Lore:\n  - \"&7镶嵌：攻击力 +10\"\n"
cases = {
    "utf8-lf.yml": (GEM.encode("utf-8"), "UTF-8", "LF"),
    "utf8-crlf.yml": (GEM.replace("\n", "\r\n").encode("utf-8"), "UTF-8", "CRLF"),
    "utf8-bom.yml": (b"\xef\xbb\xbf" + GEM.replace("\n", "\r\n").encode("utf-8"), "UTF-8", "CRLF"),
    "gbk-crlf.yml": (GEM.replace("\n", "\r\n").encode("gbk"), "GBK", "CRLF"),
    "gbk-lf.yml": (GEM.encode("gbk"), "GBK", "LF"),
    "no-final-break.yml": (GEM.rstrip("\n").encode("gbk"), "GBK", "LF"),
}
for name, (data, encoding, line_end) in cases.items():
    write(name, data)
    replies = run([opened(name, encoding="auto", mode="replace"), TEXT, saved(name), saved("copy-" + name)])
    lines = GEM.count("\n")  # a last line without a break counts too
    check(name + ": open says " + encoding + ", " + line_end,
          replies[0] == {"ok": True, "encoding": encoding, "lineEnd": line_end, "lines": lines}, replies[0])
    expected_text = GEM.replace("\n", "\r\n") if name != "no-final-break.yml" else GEM.rstrip("\n").replace("\n", "\r\n")
    check(name + ": the panel shows CR LF line ends", replies[1] == {"ok": True, "text": expected_text}, replies[1])
    check(name + ": saved back byte for byte", read(name) == data and replies[2] == {"ok": True, "bytes": len(data)},
          (replies[2], read(name)[:40]))
    check(name + ": the previous content stays as .bak", read(name + ".bak") == data)
    # A copy keeps the file's encoding and line ends; a byte-order mark stays with its file.
    copy = data[3:] if name == "utf8-bom.yml" else data
    check(name + ": a copy keeps the encoding and line ends", read("copy-" + name) == copy)

# Save as, with the encoding and line ends given.
write("src.yml", GEM.encode("utf-8"))
replies = run([opened("src.yml"), saved("as-gbk.yml", encoding="GBK", lineEnd="CRLF"),
               saved("as-lf.yml", encoding="UTF-8", lineEnd="LF")])
check("save as GBK, CR LF", read("as-gbk.yml") == GEM.replace("\n", "\r\n").encode("gbk"), replies)
check("save as UTF-8, LF", read("as-lf.yml") == GEM.encode("utf-8"), replies)

# Reading a GBK file as UTF-8 says where the bad bytes are, and never writes U+FFFD back.
write("gbk-as-utf8.yml", GEM.encode("gbk"))
replies = run([opened("gbk-as-utf8.yml", encoding="UTF-8"), saved("gbk-as-utf8.yml"), saved("elsewhere.yml"),
               opened("gbk-as-utf8.yml", encoding="GBK"), TEXT])
check("forced UTF-8 on GBK bytes: opens with a warning naming line 2",
      replies[0].get("ok") and "第 2 行" in replies[0].get("warning", ""), replies[0])
check("forced UTF-8 on GBK bytes: no save, here or elsewhere",
      replies[1].get("code") == "unrepresentable" and replies[2].get("code") == "unrepresentable"
      and read("gbk-as-utf8.yml") == GEM.encode("gbk") and not os.path.exists(path("elsewhere.yml")), replies)
check("reopened as GBK it reads right", replies[4]["text"] == GEM.replace("\n", "\r\n"), replies[4])

# The command panel is saved as plain text.
replies = run([{"op": "page", "index": 1}, {"op": "set", "control": "编辑框2", "text": "10"},
               {"op": "click", "control": "按钮1"}, saved("commands.txt", control="编辑框1", lineEnd="CRLF")])
check("the command panel saves as plain text", read("commands.txt") == b"/att Stats DAMAGE 10\r\n", replies)

# --- appending to a file ----------------------------------------------------------------------
BLOCK = "sapphire:\r\n  Display_name: \"&9蓝宝石\"\r\n"
write("socket.yml", GEM.rstrip("\n").replace("\n", "\r\n").encode("gbk"))
replies = run([{"op": "set", "control": "编辑框20", "text": BLOCK}, saved("socket.yml", mode="append")])
expected = (GEM.rstrip("\n") + "\n" + BLOCK.replace("\r\n", "\n")).replace("\n", "\r\n").encode("gbk")
check("append: the file's GBK and CR LF win, a line break goes between",
      read("socket.yml") == expected and replies[1] == {"ok": True, "bytes": len(expected) - len(GEM.rstrip("\n").replace("\n", "\r\n").encode("gbk"))},
      (replies, read("socket.yml")))
check("append: the old content stays as .bak", read("socket.yml.bak") == GEM.rstrip("\n").replace("\n", "\r\n").encode("gbk"))

# What the server reads is the file and the text together: lines counted in the file as it will
# be; an entry of the file is never changed; a guess of the encoding is never written unasked.
write("joined.yml", b"ruby:\r\n  Max_Grade: 3\r\n")
replies = run([{"op": "set", "control": "编辑框20", "text": "  Shiny: true\r\n"}, saved("joined.yml", mode="append"),
               {"op": "set", "control": "编辑框20", "text": "- sapphire\r\n"}, saved("joined.yml", mode="append")])
check("append: a text that would join the file's last entry is refused as changes-entry",
      replies[1].get("code") == "changes-entry" and "“ruby”（文件第 1 行）" in replies[1].get("error", ""), replies[1])
check("append: a text that breaks the file is refused with the line in the joined file",
      replies[3].get("code") == "invalid-yaml" and "第 3 行第 1 列（按追加后的文件计）" in replies[3].get("error", "")
      and read("joined.yml") == b"ruby:\r\n  Max_Grade: 3\r\n", replies[3])
stray = "宝石:\n  Lore: \"红色的宝石\"\n".encode("utf-8") + b"  x: \xff\n"
write("stray.yml", stray)
replies = run([{"op": "set", "control": "编辑框20", "text": "蓝:\r\n  a: 1\r\n"}, saved("stray.yml", mode="append"),
               saved("stray.yml", mode="append", encoding="UTF-8")])
check("append: a UTF-8 file with a stray byte asks for the encoding (encoding-unsure)",
      replies[1].get("code") == "encoding-unsure" and replies[1].get("ok") is False, replies[1])
check("append: the encoding given settles it", replies[2].get("ok") is True
      and read("stray.yml") == stray + "蓝:\n  a: 1\n".encode("utf-8"), (replies[2], read("stray.yml")))
write("lore.yml", "宝石:\r\n  Lore: |\r\n    第一行\r\n    第二行".encode("gbk"))
replies = run([{"op": "set", "control": "编辑框20", "text": "sapphire:\r\n  a: 1\r\n"}, saved("lore.yml", mode="append")])
check("append after a block scalar with no final line break: the value stays, the text starts on its own line",
      replies[1].get("ok") is True and read("lore.yml") == "宝石:\r\n  Lore: |-\r\n    第一行\r\n    第二行\r\nsapphire:\r\n  a: 1\r\n".encode("gbk")
      and "“|”改为“|-”" in replies[1].get("warning", ""), (replies[1], read("lore.yml")))

# --- refusals: nothing written, the panel as it was; force writes the confirmable ones --------
def refused(what, name, setup, request, code, forced=None):
    before = read(name) if os.path.exists(path(name)) else None
    replies = run(setup + [TEXT, request, TEXT])
    n = len(setup)
    reply = replies[n + 1]
    check(what + ": refused as " + code, reply.get("ok") is False and reply.get("code") == code
          and reply.get("error"), reply)
    after = read(name) if os.path.exists(path(name)) else None
    check(what + ": the file is unchanged", after == before)
    check(what + ": the panel is unchanged", replies[n] == replies[n + 2])
    if forced:
        reply = run(setup + [dict(request, force=True)])[n]
        check(what + ": with force it is written", reply.get("ok") is True and forced(read(name)), reply)


write("target.yml", b"old: 1\r\n")
refused("an emoji into GBK", "target.yml", [{"op": "set", "control": "编辑框20", "text": "a: \"😀\"\r\n"}],
        saved("target.yml", encoding="GBK", force=True), "unrepresentable")
check("the refusal names the character and its line",
      "😀" in run([{"op": "set", "control": "编辑框20", "text": "a: 1\r\nb: \"😀\"\r\n"},
                   saved("target.yml", encoding="GBK")])[1]["error"]
      and "第 2 行" in run([{"op": "set", "control": "编辑框20", "text": "a: 1\r\nb: \"😀\"\r\n"},
                            saved("target.yml", encoding="GBK")])[1]["error"])
refused("text the server cannot read", "target.yml", [{"op": "set", "control": "编辑框20", "text": "a: [\r\n"}],
        saved("target.yml"), "invalid-yaml", lambda data: data == b"a: [\r\n")
write("target.yml", b"ruby:\r\n  a: 1\r\n")
refused("an identifier already in the file", "target.yml",
        [{"op": "set", "control": "编辑框20", "text": "ruby:\r\n  a: 2\r\n"}], saved("target.yml", mode="append"),
        "duplicate-key", lambda data: data == b"ruby:\r\n  a: 1\r\nruby:\r\n  a: 2\r\n")

# Changed on disk between opening and saving: a script of its own, changing the file midway.
write("shared.yml", b"a: 1\n")
script = os.path.join(work, "fifo")
os.mkfifo(script)
editor = subprocess.Popen([EDITOR, "--script", script], env=env, stdout=subprocess.PIPE, stderr=subprocess.DEVNULL)
with open(script, "w", encoding="utf-8") as feed:
    def ask(request):
        feed.write(json.dumps(request, ensure_ascii=False) + "\n")
        feed.flush()
        return json.loads(editor.stdout.readline())
    ask(opened("shared.yml"))
    ask({"op": "set", "control": "编辑框20", "text": "a: 2\r\n"})
    write("shared.yml", b"a: 1\nb: 3\n")
    first = ask(saved("shared.yml"))
    panel = ask(TEXT)
    check("changed on disk: refused", first.get("code") == "changed-on-disk" and read("shared.yml") == b"a: 1\nb: 3\n",
          first)
    check("changed on disk: the panel is unchanged", panel == {"ok": True, "text": "a: 2\r\n"}, panel)
    second = ask(saved("shared.yml", force=True))
    check("changed on disk: with force it is written", second.get("ok") and read("shared.yml") == b"a: 2\n", second)
    os.remove(path("shared.yml"))
    third = ask({"op": "set", "control": "编辑框20", "text": "a: 3\r\n"})
    third = ask(saved("shared.yml"))
    check("removed since the last save: refused", third.get("code") == "changed-on-disk"
          and not os.path.exists(path("shared.yml")), third)
editor.wait(timeout=30)
os.remove(script)

os.makedirs(path("a-folder"))
refused("a missing folder", "target.yml", [{"op": "set", "control": "编辑框20", "text": "a: 1\r\n"}],
        saved("no/such/folder.yml"), "io")
check("the missing folder is named in Chinese",
      "文件夹不存在" in run([saved("no/such/folder.yml")])[0].get("error", ""))
refused("a folder in the file's place", "target.yml", [{"op": "set", "control": "编辑框20", "text": "a: 1\r\n"}],
        saved("a-folder"), "io")
replies = run([{"op": "set", "control": "编辑框20", "text": "keep: 1\r\n"}, opened("missing.yml"), TEXT])
check("opening a missing file: io, panel unchanged",
      replies[1].get("code") == "io" and replies[2]["text"] == "keep: 1\r\n", replies)

# Open into a panel that holds text: replace or append after it.
write("one.yml", b"one: 1\n")
replies = run([{"op": "set", "control": "编辑框20", "text": "zero: 0"}, opened("one.yml", mode="append"), TEXT,
               opened("one.yml", mode="replace"), TEXT])
check("open in append mode starts the file on a line of its own", replies[2]["text"] == "zero: 0\r\none: 1\r\n",
      replies[2])
check("open in replace mode replaces", replies[4]["text"] == "one: 1\r\n", replies[4])

# --- taking back a clear; removing the last append --------------------------------------------
page = {"op": "page", "index": 1}
replies = run([page, {"op": "set", "control": "编辑框2", "text": "1"}, {"op": "click", "control": "按钮1"},
               {"op": "click", "control": "按钮4"}, {"op": "set", "control": "编辑框2", "text": "2"},
               {"op": "click", "control": "按钮1"}, {"op": "trigger", "action": "undo-clear"},
               {"op": "text", "control": "编辑框1"}, {"op": "trigger", "action": "undo-clear"}])
check("undo clear: the text comes back in front of what was appended since",
      replies[7] == {"ok": True, "text": "/att Stats DAMAGE 1\r\n/att Stats DAMAGE 2\r\n"}, replies[7])
check("undo clear: only once", replies[8].get("ok") is False, replies[8])
replies = run([page, {"op": "set", "control": "编辑框2", "text": "1"}, {"op": "click", "control": "按钮1"},
               {"op": "set", "control": "编辑框2", "text": "2"}, {"op": "click", "control": "按钮1"},
               {"op": "trigger", "action": "remove-last"}, {"op": "text", "control": "编辑框1"},
               {"op": "trigger", "action": "remove-last"}])
check("remove last: the last append goes, the one before stays",
      replies[6] == {"ok": True, "text": "/att Stats DAMAGE 1\r\n"}, replies[6])
check("remove last: once", replies[7].get("ok") is False, replies[7])
replies = run([page, {"op": "set", "control": "编辑框2", "text": "1"}, {"op": "click", "control": "按钮1"},
               {"op": "set", "control": "编辑框1", "text": "/att Stats DAMAGE 1\r\nedited"},
               {"op": "trigger", "action": "remove-last"}, {"op": "text", "control": "编辑框1"}])
check("remove last: refused once the panel no longer ends with it",
      replies[4].get("ok") is False and replies[5]["text"] == "/att Stats DAMAGE 1\r\nedited", replies[4:])
dump = run([{"op": "dump"}])[0]
check("the dump lists the actions", {"new", "undo-clear", "remove-last", "save", "open"} <= set(dump["actions"]))

# --- what the panel cannot keep is said, never changed quietly --------------------------------
write("mixed.yml", b"a: 1\r\nb: 2\nc: \"x\ry\"\r\nd: \xe2\x80\xa9\r\n")
replies = run([opened("mixed.yml"), saved("mixed.yml")])
backup = read("mixed.yml.bak")
replies += run([opened("mixed.yml"), saved("mixed.yml")])[1:]
expected_changes = ["文件第 2 行的换行符是 LF，保存时会和其他行一样写成 CR LF",
                    "文件第 3 行有单独的 CR（回车符），保存时会变成换行",
                    "文件第 4 行有字符 U+2029，编辑框把它当作换行，保存时会变成换行"]
check("open: the reply lists what a save will write otherwise", replies[0].get("changes") == expected_changes, replies[0])
check("save: the reply lists what it wrote otherwise, once",
      replies[1].get("changes") == expected_changes and "changes" not in replies[2], replies[1:])
check("save: the old bytes are in the backup", backup == b"a: 1\r\nb: 2\nc: \"x\ry\"\r\nd: \xe2\x80\xa9\r\n")

# --- what is not a regular file, links, modes -------------------------------------------------
# A pipe is refused at once (it would wait for a writer forever), /dev/zero too (it never ends),
# and a save never replaces a device or a pipe with a regular file.
os.mkfifo(path("pipe.yml"))
started = time.monotonic()
replies = run([opened("pipe.yml"), {"op": "open", "control": "编辑框20", "path": "/dev/zero"},
               {"op": "set", "control": "编辑框20", "text": "a: 1\r\n"}, saved("pipe.yml")])
check("open of a pipe: refused at once", replies[0] == {"ok": False, "code": "io",
      "error": "无法打开：这不是普通文件（命名管道）：" + path("pipe.yml")} and time.monotonic() - started < 30, replies[0])
check("open of /dev/zero: refused", replies[1].get("error") == "无法打开：这不是普通文件（字符设备）：/dev/zero", replies[1])
check("save into a pipe: refused, still a pipe", replies[3].get("code") == "io"
      and stat.S_ISFIFO(os.lstat(path("pipe.yml")).st_mode), replies[3])
write("huge.yml", b"a" * (64 * 1024 * 1024 + 1))
replies = run([opened("huge.yml")])
check("a file larger than the editor holds is refused with its size",
      replies[0].get("error") == "无法打开：文件太大（64.0 MB），编辑器最多打开 64 MB：" + path("huge.yml"), replies[0])
os.remove(path("huge.yml"))

# A link at the backup's name is not followed; the backup of a private file stays private.
write("victim", b"precious\n")
write("linked.yml", b"a: 1\n")
os.symlink(path("victim"), path("linked.yml.bak"))
replies = run([opened("linked.yml"), {"op": "set", "control": "编辑框20", "text": "a: 2\r\n"}, saved("linked.yml")])
check("a link at .bak: refused, the file it names untouched",
      replies[2].get("code") == "io" and "linked.yml.bak 不是普通文件（符号链接）" in replies[2].get("error", "")
      and read("victim") == b"precious\n" and read("linked.yml") == b"a: 1\n", replies[2])
write("private.yml", b"a: 1\n")
os.chmod(path("private.yml"), 0o600)
run([opened("private.yml"), {"op": "set", "control": "编辑框20", "text": "a: 2\r\n"}, saved("private.yml")])
check("a private file and its backup stay private (0600)",
      stat.S_IMODE(os.stat(path("private.yml")).st_mode) == 0o600
      and stat.S_IMODE(os.stat(path("private.yml.bak")).st_mode) == 0o600,
      (oct(os.stat(path("private.yml")).st_mode), oct(os.stat(path("private.yml.bak")).st_mode)))
write("first-name.yml", b"a: 1\n")
os.link(path("first-name.yml"), path("second-name.yml"))
replies = run([opened("first-name.yml"), {"op": "set", "control": "编辑框20", "text": "a: 2\r\n"},
               saved("first-name.yml")])
check("hard links stay whole, and the reply says so",
      read("second-name.yml") == b"a: 2\n" and replies[2].get("warning", "").startswith("这个文件共有 2 个名字"), replies[2])

# --- the session ------------------------------------------------------------------------------
session = path("session/session.json")
os.makedirs(os.path.dirname(session))
run([{"op": "set", "control": "编辑框20", "text": "ruby:\r\n  a: 1\r\n"}, page,
     {"op": "set", "control": "编辑框2", "text": "10"}, {"op": "click", "control": "按钮1"},
     {"op": "select", "control": "组合框1", "index": 2}, {"op": "click", "control": "按钮23"},
     {"op": "set", "window": "0x520100FB", "control": "编辑框2", "text": "5"}, {"op": "close"}],
    "--session", session)
restored = run([TEXT, {"op": "text", "control": "编辑框1"}, {"op": "text", "control": "编辑框2"},
                {"op": "selection", "control": "高级选择夹1"}, {"op": "selection", "control": "组合框1"},
                {"op": "windows"}, {"op": "text", "window": "0x520100FB", "control": "编辑框2"},
                {"op": "trigger", "action": "new"}, {"op": "trigger", "action": "new", "force": True}, TEXT,
                {"op": "windows"}, {"op": "close"}], "--session", session)
check("session after a normal close: panels, fields, page, selection and windows come back",
      [r.get("text", r.get("index", r.get("windows"))) for r in restored[:7]]
      == ["ruby:\r\n  a: 1\r\n", "/att Stats DAMAGE 10\r\n", "10", 1, 2, ["0x52010001", "0x520100FB"], "5"],
      restored[:7])
check("新建 asks first: a script's answer is no, and nothing is cleared",
      restored[7].get("ok") is False and restored[7]["error"].startswith("新建会清空"), restored[7])
check("新建 with force starts empty", restored[9]["text"] == "" and restored[10]["windows"] == ["0x52010001"],
      restored[8:11])
after_new = run([TEXT], "--session", session)
check("新建 is what the next start restores", after_new[0]["text"] == "", after_new)
run([{"op": "set", "control": "编辑框20", "text": "no session"}])
check("a script without --session leaves the session alone", run([TEXT], "--session", session)[0]["text"] == "")

# The panel's file comes back with the session: 保存 writes into it, and a change made on disk
# while the editor was closed is still noticed.
write("kept.yml", b"a: 1\n")
run([opened("kept.yml"), {"op": "set", "control": "编辑框20", "text": "a: 2\r\n"}, {"op": "close"}],
    "--session", session)
replies = run([{"op": "trigger", "action": "save"}], "--session", session)
check("after a restart 保存 writes into the panel's file in its format",
      replies[0].get("ok") is True and read("kept.yml") == b"a: 2\n", (replies, read("kept.yml")))
write("kept.yml", b"a: 9\n")
replies = run([{"op": "trigger", "action": "save"}, saved("kept.yml")], "--session", session)
check("after a restart a change on disk is still noticed",
      replies[0].get("ok") is False and replies[1].get("code") == "changed-on-disk" and read("kept.yml") == b"a: 9\n",
      replies)

# Quitting while an autosave waits: the session the close wrote is the one that stays, with the
# panel in it, also when standard input stays open a while after the quit, and the next start's
# save keeps it as the fallback.
def quit_with_pending_autosave(text, *extra):
    folder = tempfile.mkdtemp(dir=work)
    kept = os.path.join(folder, "session.json")
    editor = subprocess.Popen([EDITOR, "--script", "-", "--session", kept, *extra], env=env, stdin=subprocess.PIPE,
                              stdout=subprocess.PIPE, stderr=subprocess.DEVNULL)
    for request in ({"op": "set", "control": "编辑框20", "text": text}, {"op": "trigger", "action": "quit"}):
        editor.stdin.write((json.dumps(request) + "\n").encode("utf-8"))
    editor.stdin.flush()
    time.sleep(2)
    editor.stdin.close()
    editor.stdout.read()
    editor.wait(timeout=60)
    after_close = json.load(open(kept, encoding="utf-8"))
    run([{"op": "set", "control": "编辑框2", "text": "1"}, {"op": "close"}], "--session", kept)
    fallback = json.load(open(kept + ".prev", encoding="utf-8"))
    panel = lambda session: session["windows"][0]["texts"].get("编辑框20") if session.get("windows") else None
    lf = text.replace("\r\n", "\n")  # the session keeps the panel's text with LF line ends
    return panel(after_close) == lf and panel(fallback) == lf


check("quit with an autosave pending (delay 0), 5 runs: the session keeps the panel",
      all(quit_with_pending_autosave("ruby:\r\n  a: %d\r\n" % n, "--autosave-delay", "0") for n in range(5)))
check("quit with an autosave pending (default delay, a 4 MB panel): the session keeps the panel",
      quit_with_pending_autosave("x" * 99 + "\n" * 1 + ("y" * 99 + "\n") * 40000))

# Two editors on one session file: the second says so and keeps a session of its own beside it;
# the lock of an editor killed with -9 does not hold the next start back.
shared = path("two/session.json")
os.makedirs(os.path.dirname(shared))
run([{"op": "set", "control": "编辑框20", "text": "first: 1\r\n"}, {"op": "close"}], "--session", shared)
fifo = path("first-editor.fifo")
os.mkfifo(fifo)
first = subprocess.Popen([EDITOR, "--script", fifo, "--session", shared], env=env, stdout=subprocess.PIPE,
                         stderr=subprocess.DEVNULL)
feed = open(fifo, "w", encoding="utf-8")
feed.write(json.dumps(TEXT) + "\n")
feed.flush()
first_reply = json.loads(first.stdout.readline())
second = subprocess.run([EDITOR, "--script", "-", "--session", shared], env=env, capture_output=True, timeout=60,
                        input=(json.dumps(TEXT) + "\n" + json.dumps({"op": "set", "control": "编辑框20",
                               "text": "second: 2\r\n"}) + "\n" + json.dumps({"op": "close"}) + "\n").encode())
own = path("two/session-2.json")
check("a second editor on a held session: says so on standard error",
      ("另一个编辑器正在使用会话 %s；这个编辑器的会话保存在 %s。" % (shared, own)) in second.stderr.decode(), second.stderr)
check("a second editor never writes into the held session",
      first_reply.get("text") == "first: 1\r\n" and json.loads(second.stdout.splitlines()[0]).get("text") == ""
      and json.load(open(own, encoding="utf-8"))["windows"][0]["texts"]["编辑框20"] == "second: 2\n"
      and json.load(open(shared, encoding="utf-8"))["windows"][0]["texts"]["编辑框20"] == "first: 1\n")
first.kill()
first.wait()
feed.close()
os.remove(fifo)
third = subprocess.run([EDITOR, "--script", "-", "--session", shared], env=env, capture_output=True, timeout=60,
                       input=(json.dumps(TEXT) + "\n").encode())
check("the lock of a killed editor is stale: the next start takes the session",
      json.loads(third.stdout)["text"] == "first: 1\r\n" and "另一个编辑器" not in third.stderr.decode(), third)

# --session on a file that is no session: refused, the file untouched; a damaged session is set
# aside and the user told.
write("server.yml", b"ruby:\n  Max_Grade: 3\n")
for name in ("server.yml", "a-folder"):
    done = subprocess.run([EDITOR, "--script", "-", "--session", path(name)], env=env, capture_output=True, timeout=60,
                          input=b'{"op":"close"}\n')
    check("--session on %s: exit 2 with a message, nothing written" % name,
          done.returncode == 2 and "不是本编辑器的会话文件" in done.stderr.decode() and done.stdout == b""
          and (name != "server.yml" or read(name) == b"ruby:\n  Max_Grade: 3\n"), done)
damaged = path("damaged/session.json")
os.makedirs(os.path.dirname(damaged))
with open(damaged, "wb") as out:
    out.write(b'{\n    "files": {},\n    "format": "quorvel-editor-session",\n    "wind')
done = subprocess.run([EDITOR, "--script", "-", "--session", damaged], env=env, capture_output=True, timeout=60,
                      input=b'{"op":"close"}\n')
check("a damaged session is set aside, told, and a new one written",
      done.returncode == 0 and "已改名为 session.json.damaged 保留" in done.stderr.decode()
      and open(damaged + ".damaged", "rb").read().endswith(b'"wind')
      and json.load(open(damaged, encoding="utf-8"))["format"] == "quorvel-editor-session", done)

# A session write that fails is told in the reply of the line that saved it and on standard
# error; the last good session stays.
locked = path("locked/session.json")
os.makedirs(os.path.dirname(locked))
run([{"op": "set", "control": "编辑框20", "text": "good: 1\r\n"}, {"op": "close"}], "--session", locked)
folder = os.path.dirname(locked)
if os.geteuid() == 0:
    frozen = subprocess.run(["chattr", "+i", folder], capture_output=True).returncode == 0
else:
    os.chmod(folder, 0o555)
    frozen = True
if frozen:
    done = subprocess.run([EDITOR, "--script", "-", "--session", locked], env=env, capture_output=True, timeout=60,
                          input=(json.dumps({"op": "set", "control": "编辑框20", "text": "new: 2\r\n"}) + "\n"
                                 + json.dumps({"op": "close"}) + "\n").encode())
    replies = [json.loads(line) for line in done.stdout.splitlines()]
    if os.geteuid() == 0:
        subprocess.run(["chattr", "-i", folder])
    else:
        os.chmod(folder, 0o755)
    check("a failed session write: the close's reply says so",
          replies[1].get("ok") is True and replies[1].get("sessionError", "").startswith("会话没有保存：无法写入："),
          replies)
    check("a failed session write: standard error says so", "会话没有保存" in done.stderr.decode(), done.stderr)
    check("a failed session write: the last good session stays",
          json.load(open(locked, encoding="utf-8"))["windows"][0]["texts"]["编辑框20"] == "good: 1\n")
else:
    print("skip: a failed session write (chattr +i does not work here)")

# Any geometry a session holds is fitted to the screen: a huge or far-off window starts.
hostile = path("hostile/session.json")
os.makedirs(os.path.dirname(hostile))
for x, width in ((0, 100000), (2147483600, 800), (-2147483648, 2147483647), (1e300, 1e300)):
    with open(hostile, "w", encoding="utf-8") as out:
        json.dump({"format": "quorvel-editor-session", "version": 1, "files": {}, "windows": [
            {"id": "0x52010001", "x": x, "y": 0, "width": width, "height": 100000, "texts": {}, "selections": {}}]}, out)
    done = subprocess.run([EDITOR, "--script", "-", "--session", hostile], env=env, capture_output=True, timeout=60,
                          input=b'{"op":"windows"}\n{"op":"close"}\n')
    kept = json.load(open(hostile, encoding="utf-8"))["windows"][0]
    check("a session with x %s and width %s: the editor starts and keeps a window on the screen" % (x, width),
          done.returncode == 0 and len(done.stdout.splitlines()) == 2 and 0 < kept["width"] <= 4096
          and -4096 < kept["x"] < 4096, (done.returncode, done.stderr[-300:], kept))

# kill -9 at random moments while the text changes and the session is saved every few ms: each
# next start restores one whole session, the latest or the one before it.
def body(n):
    return "gen: %d\r\n" % n + "".join("  line%d: %d\r\n" % (k, n) for k in range(400))

random.seed(12)
session = path("killed/session.json")
os.makedirs(os.path.dirname(session))
whole = 0
restored_some = 0
bad = []
for run_number in range(KILL_RUNS):
    fifo = path("kill.fifo")
    os.mkfifo(fifo)
    editor = subprocess.Popen([EDITOR, "--script", fifo, "--session", session, "--autosave-delay", "5"], env=env,
                              stdout=subprocess.DEVNULL, stderr=subprocess.DEVNULL)
    feed = open(fifo, "w", encoding="utf-8")
    deadline = time.monotonic() + random.uniform(0.05, 0.8)
    n = run_number * 10000
    try:
        while time.monotonic() < deadline:
            n += 1
            feed.write(json.dumps({"op": "set", "control": "编辑框20", "text": body(n)}) + "\n")
            feed.flush()
            time.sleep(random.uniform(0, 0.01))
    except BrokenPipeError:
        pass
    editor.kill()
    editor.wait()
    try:
        feed.close()
    except BrokenPipeError:
        pass
    os.remove(fifo)
    text = run([TEXT], "--session", session, "--autosave-delay", "600000")[0]["text"]
    first = text.split("\r\n", 1)[0]
    if text == "" or (first.startswith("gen: ") and text == body(int(first[5:]))):
        whole += 1
        restored_some += text != ""
    else:
        bad.append((run_number, text[:80]))
check("kill -9 at %d random moments: every restore reads a whole session" % KILL_RUNS, whole == KILL_RUNS, bad[:3])
check("kill -9: most starts had a session to restore (%d of %d)" % (restored_some, KILL_RUNS),
      restored_some > KILL_RUNS // 2)

print("%d failure(s)" % failures)
sys.exit(1 if failures else 0)
