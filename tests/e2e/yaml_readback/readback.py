#!/usr/bin/env python3
"""Fills every field the YAML blocks write without quotes with each hostile value, through the
real editor's automation interface, and reads every resulting panel back with the server's own
YAML reader (SnakeYAML, through ReadBack.java): each value must read back as the field holds it
(a field meant for a number: as that number), and every other entry of the file must be intact.

Usage: readback.py EDITOR READBACK_CLASSPATH"""
import base64
import json
import os
import subprocess
import sys

editor, classpath = sys.argv[1], sys.argv[2]

HOSTILE = [
    *[c + "x" for c in "&*%@{[-?:,#!|>'\"`"], *list("&*%@{[-?:,#!|>'\"`"),
    "a: b", "a #b", "a:", "a: ", " lead", "trail ", "\tx", "x\ty", "x\t",
    "yes", "Yes", "YES", "no", "No", "NO", "on", "On", "ON", "off", "Off", "OFF", "y", "n",
    "true", "True", "TRUE", "false", "False", "FALSE", "null", "Null", "NULL", "~",
    "0x1F", "012", "0b101", "1:20", "1_000", "2024-01-01", "2024-01-01 10:00:00", ".nan", ".inf", "-.inf",
    "=", "<<", "- x", "? x", "#3", "&fire", "*fire", "!!str x", "'q'", "\"q\"", "a\"b", "a'b",
    "5\u2028  Shiny: false\u2028  Material: \"BEDROCK\"", "x\u2029y", "x\u0085y", "\u0085", "\u2028",
    "\x01", "a\x07b", "\x1b[0m", "\x7f", "\u0080", "\ufeff", "\ufeffx", "x\ufeff", "\ufffe",
    "", " ", "  ", "10", "-8", "1.5", "+5", ".5", "5.", "1e3", "08", "-0", "00", "1,000", "10%", "中文", "&c红宝石 I",
]

GEM = {"编辑框59": "ruby", "编辑框60": "K", "编辑框61": "&c红宝石", "编辑框62": "REDSTONE", "编辑框63": "5",
       "编辑框64": "80", "编辑框65": "-8", "编辑框66": "10", "编辑框67": "2", "编辑框68": "镶嵌宝石"}
GEM_SELECT = {"组合框3": 0, "组合框4": 0, "组合框5": 0, "组合框6": 0}
ELEMENT = {"编辑框83": "fire", "编辑框82": "K", "编辑框72": "1", "编辑框73": "2", "编辑框74": "10", "编辑框75": "40",
           "编辑框76": "1", "编辑框77": "20", "编辑框79": "60", "编辑框80": "2", "编辑框81": "water", "编辑框84": "-15"}
ELEMENT_SELECT = {"组合框7": 0, "组合框8": 13}
KEYLORE = {"编辑框25": "heal", "编辑框26": "治疗", "编辑框27": "heal %player%"}

LORES = ["&8&l&m---------------------", "&e※ &7种类: 镶嵌宝石", "&e※ &7等级: &f{grade}", "&e※ &7适合物品: &f{type_item}",
         "&e※ &7成功几率: &a{success_rate}% &8&l| &7失败几率: &c{failure_rate}%", "&8&l&m---------------------",
         "&8&l[&4&l!&8&l] &7效果:", "&9&l>> &b增加最大血量 {max_health}", "", "&2提示: &a将它放到物品上来镶嵌！"]

def gem_doc(v):  # v: the fields' values, numbers marked with the Num wrapper
    return {v["编辑框59"]: {"Keylore": "K", "Display_Name": "&c红宝石", "Material": "REDSTONE", "Shiny": True,
            "Max_Grade": v["编辑框63"], "Type_Item": "Weapon", "Base_Success_Rate": v["编辑框64"],
            "Scale_Success_Rate": v["编辑框65"],
            "Effect": {"Bonus_Base_Additional_Damage": v["编辑框66"], "Bonus_Scale_Additional_Damage": v["编辑框67"]},
            "Lores": LORES}}

def element_doc(v):
    potion = lambda c, d, g: {"Scale_Chance": v[c], "Scale_Duration": v[d], "Grade": v[g]}
    return {v["编辑框83"]: {"Keylore": "K", "Scale_Base_Additional_Damage": v["编辑框72"],
            "Scale_Base_Percent_Damage": v["编辑框73"],
            "Potion_To_Attacker": {"STRENGTH": potion("编辑框74", "编辑框75", "编辑框76")},
            "Potion_To_Victims": {"WITHER": potion("编辑框77", "编辑框79", "编辑框80")},
            "Resistance": {v["编辑框81"]: v["编辑框84"]}}}

def keylore_doc(v):
    return {v["编辑框25"]: {"keylore": "治疗", "command": ["heal %player%"]}}

# block: base texts, selections, buttons clicked in order, the fields it writes without quotes
# (key fields, number fields), and the expected document.
BLOCKS = [
    (GEM, GEM_SELECT, ["按钮50"], ["编辑框59"], ["编辑框63", "编辑框64", "编辑框65", "编辑框66", "编辑框67"], gem_doc),
    (ELEMENT, ELEMENT_SELECT, ["按钮54", "按钮55"], ["编辑框83", "编辑框81"],
     ["编辑框72", "编辑框73", "编辑框74", "编辑框75", "编辑框76", "编辑框77", "编辑框79", "编辑框80", "编辑框84"], element_doc),
    (KEYLORE, {}, ["按钮21"], ["编辑框25"], [], keylore_doc),
]

def request(op, **kw):
    return json.dumps(dict(op=op, **kw), ensure_ascii=False)

lines, cases = [], []
for base, selects, buttons, keys, numbers, doc in BLOCKS:
    for name, index in selects.items():
        lines.append(request("select", control=name, index=index))
    for field in keys + numbers:
        for value in HOSTILE:
            if field in keys and value.strip() == "":
                continue  # an empty identifier cannot be an entry: the configuration check says so
            lines.append(request("click", control="按钮20"))
            for name, text in base.items():
                lines.append(request("set", control=name, text=value if name == field else text))
            for button in buttons:
                lines.append(request("click", control=button))
            cases.append({"field": field, "typed": value, "number": field in numbers, "base": base, "doc": doc,
                          "field_reply": len(lines)})
            lines.append(request("text", control=field))
            cases[-1]["panel_reply"] = len(lines)
            lines.append(request("text", control="编辑框20"))

env = dict(os.environ, QT_QPA_PLATFORM="offscreen")
run = subprocess.run([editor, "--script", "-"], input=("\n".join(lines) + "\n").encode(), capture_output=True,
                     env=env, timeout=600)
replies = [json.loads(line) for line in run.stdout.decode().split("\n") if line]
if run.returncode != 0 or len(replies) != len(lines):
    sys.exit(f"the editor answered {len(replies)} of {len(lines)} lines, exit {run.returncode}: {run.stderr[-500:]}")
for reply, line in zip(replies, lines):
    if not reply.get("ok"):
        sys.exit(f"refused: {line} -> {reply}")

panels = [replies[c["panel_reply"]]["text"] for c in cases]
feed = "\n".join(base64.b64encode(p.encode()).decode() for p in panels) + "\n"
java = subprocess.run(["java", "-cp", classpath, "ReadBack"], input=feed.encode(), capture_output=True, timeout=300)
loaded = [json.loads(line) for line in java.stdout.decode().split("\n") if line]
if len(loaded) != len(cases):
    sys.exit(f"SnakeYAML read {len(loaded)} of {len(cases)} documents: {java.stderr.decode()[-500:]}")

def is_decimal(text):
    import re
    return re.fullmatch(r"[-+]?(\d+\.?\d*|\.\d+)([eE][-+]?\d+)?", text) is not None

def reads_as(held, got, number):
    """Whether the value SnakeYAML produced is the field's text, or, for a number field, its number."""
    if held == "":
        return got is None
    if isinstance(got, str):
        return got == held
    if number and isinstance(got, dict) and "number" in got:
        return is_decimal(held) and float(got["number"]) == float(held)
    return False

class Num:
    """A value written for a number field: it must read back as the field's text or its number."""
    def __init__(self, text):
        self.text = text

def same(expected, got):
    if isinstance(expected, Num):
        return reads_as(expected.text, got, True)
    if isinstance(expected, dict):
        return isinstance(got, dict) and list(expected) == list(got) and \
            all(same(expected[k], got[k]) for k in expected)
    if isinstance(expected, list):
        return isinstance(got, list) and len(expected) == len(got) and all(same(a, b) for a, b in zip(expected, got))
    return expected == got

failures = 0
for case, got, panel in zip(cases, loaded, panels):
    held = replies[case["field_reply"]]["text"]  # the one-line field's text, line breaks made blanks
    block = next(b for b in BLOCKS if b[0] is case["base"])
    values = {}
    for name, text in case["base"].items():
        value = held if name == case["field"] else text
        values[name] = Num(value) if name in block[4] else value
    if "error" in got or not same(case["doc"](values), got):
        failures += 1
        if failures <= 20:
            print(f"FAIL {case['field']} typed {case['typed']!r} (held {held!r}):\n  panel: {panel!r}\n"
                  f"  read:  {json.dumps(got, ensure_ascii=False)[:400]}")
print(f"{len(cases) - failures} of {len(cases)} hostile values read back as typed")
sys.exit(1 if failures else 0)
