#!/usr/bin/python3
"""What a screen reader gets from the real window over AT-SPI.

Started by seqget-a11y.sh inside an X session and a D-Bus session of its own:

    a11y-walk.py <seqget> <work folder>

Starts the program, finds its window on the accessibility bus, prints the
tree, checks every control's role, name and state, then presses Tab through
the window (xdotool) and checks what each focus event would make a screen
reader say. Exit 0 passed, 1 failed.
"""
import os
import subprocess
import sys
import time
import warnings

import gi

gi.require_version("Atspi", "2.0")
from gi.repository import Atspi, GLib  # noqa: E402

# Debian 12's Atspi 2.46 marks get_action_name deprecated but has nothing
# else to read an action's name with.
warnings.filterwarnings("ignore", category=DeprecationWarning)

S = Atspi.StateType

# What each control must say for itself, in tab order: the job boxes by the
# label beside them, the buttons by their captions, the two folder lists by
# the names a sighted user reads off their tooltips. Text_PCFLD is left out
# of the tab order while folder sync is ticked.
TAB_ORDER = [
    ("text", "ベースURL"),
    ("text", "ﾌｫﾙﾀﾞ初期値"),
    ("check box", "ﾌｫﾙﾀﾞ同期する"),
    ("text", "ﾌｧｲﾙ名付加"),
    ("text", "開始番号"),
    ("text", "終了番号"),
    ("text", "番号の桁数"),
    ("text", "ﾌｧｲﾙ拡張子"),
    ("text", "ﾀﾞｳﾝﾛｰﾄﾞ先"),
    ("push button", "START"),
    ("combo box", "PCのﾄﾞﾗｲﾌﾞ"),
    ("list", "PCのﾌｫﾙﾀﾞ"),
    ("combo box", "簡単設定URL"),
    ("push button", "簡単設定"),
]
PCFLD = ("text", "ﾀﾞｳﾝﾛｰﾄﾞ先")
SYNC = ("check box", "ﾌｫﾙﾀﾞ同期する")
DRIVES = ("combo box", "PCのﾄﾞﾗｲﾌﾞ")
FOLDERS = ("list", "PCのﾌｫﾙﾀﾞ")

failures = []


def check(ok, what):
    print(("ok   " if ok else "FAIL ") + what)
    if not ok:
        failures.append(what)


def pump(seconds):
    context = GLib.MainContext.default()
    deadline = time.monotonic() + seconds
    while time.monotonic() < deadline:
        if not context.iteration(False):
            time.sleep(0.01)


def until(seconds, test):
    deadline = time.monotonic() + seconds
    while time.monotonic() < deadline:
        value = test()
        if value:
            return value
        pump(0.05)
    return test()


def role(node):
    return node.get_role_name()


def states(node):
    return node.get_state_set()


def text_of(node):
    """The text a reader speaks as the value: the Text interface, if any."""
    if "Text" not in node.get_interfaces():
        return None
    return Atspi.Text.get_text(node, 0, Atspi.Text.get_character_count(node))


def describe(node):
    st = states(node)
    flags = [
        name
        for name, state in (
            ("enabled", S.ENABLED),
            ("focusable", S.FOCUSABLE),
            ("focused", S.FOCUSED),
            ("checked", S.CHECKED),
            ("selected", S.SELECTED),
        )
        if st.contains(state)
    ]
    line = f"{role(node)} {node.get_name()!r}"
    value = text_of(node)
    if value and role(node) not in ("label", "text"):
        line += f" text={value!r}"
    return line + (" [" + " ".join(flags) + "]" if flags else "")


def walk(node, depth=0, out=None):
    out = [] if out is None else out
    out.append((depth, node))
    for i in range(node.get_child_count()):
        child = node.get_child_at_index(i)
        if child is not None:
            walk(child, depth + 1, out)
    return out


def find_window(pid):
    desktop = Atspi.get_desktop(0)
    for i in range(desktop.get_child_count()):
        app = desktop.get_child_at_index(i)
        if app is None:
            continue
        try:
            if app.get_process_id() != pid:
                continue
        except GLib.Error:
            continue
        for j in range(app.get_child_count()):
            window = app.get_child_at_index(j)
            if window is not None and window.get_name() == "Seqget":
                return window
    return None


def spoken(node):
    """Roughly what a reader says for a focus event on node."""
    words = [node.get_name(), role(node)]
    value = text_of(node)
    if role(node) == "combo box" and value is not None:
        words.insert(1, value)
    return ", ".join(w for w in words if w)


def main():
    program, work = sys.argv[1], sys.argv[2]
    env = dict(os.environ)
    env.update(
        HOME=work,
        XDG_CONFIG_HOME=os.path.join(work, "config"),
        XDG_DATA_HOME=os.path.join(work, "data"),
        QT_LINUX_ACCESSIBILITY_ALWAYS_ON="1",
        QT_ACCESSIBILITY="1",
        QT_QPA_PLATFORM="xcb",
        LC_ALL="C.UTF-8",
    )
    for name in ("NO_AT_BRIDGE", "QT_SCALE_FACTOR"):
        env.pop(name, None)
    # The easy-setup controls are hidden on a first start; shown, every
    # control of the window is on the way of the Tab key.
    os.makedirs(os.path.join(work, "config", "Seqget"), exist_ok=True)
    with open(os.path.join(work, "config", "Seqget", "Seqget.conf"), "w") as conf:
        conf.write("[STARTUP]\nAUTO=True\n")
    log = open(os.path.join(work, "seqget.log"), "wb")
    seqget = subprocess.Popen([program], env=env, stdin=subprocess.DEVNULL, stdout=log, stderr=log)
    try:
        return run(seqget)
    finally:
        seqget.terminate()
        try:
            seqget.wait(5)
        except subprocess.TimeoutExpired:
            seqget.kill()
            seqget.wait()


def run(seqget):
    Atspi.init()
    window = until(20, lambda: find_window(seqget.pid))
    if window is None:
        check(False, "the window appears on the accessibility bus")
        return 1

    # The tree, as a reader's object navigation sees it; menus left closed.
    nodes = walk(window)
    print("--- accessible tree")
    for depth, node in nodes:
        if role(node) in ("menu item", "menu") and depth > 2:
            continue
        print("  " * depth + describe(node))

    controls = {}
    for _, node in nodes:
        key = (role(node), node.get_name())
        if key in TAB_ORDER:
            controls.setdefault(key, node)
    print("--- controls")
    for key in TAB_ORDER:
        check(key in controls, f"a {key[0]} named {key[1]!r}")
    for key in (SYNC, PCFLD, FOLDERS):
        if key not in controls:
            return 1

    # A combo box keeps its value in the Text interface; named by that value,
    # it would be read as the drive instead of as what it is for.
    drive = None
    if DRIVES in controls:
        drive = text_of(controls[DRIVES])
        check(bool(drive), f"the drive list says its drive as its value ({drive!r})")
    folders = controls[FOLDERS]
    entries = [folders.get_child_at_index(i) for i in range(folders.get_child_count())]
    selected = [e for e in entries if e is not None and states(e).contains(S.SELECTED)]
    check(len(selected) == 1, f"the folder list has one selected entry ({len(selected)})")
    open_folder = selected[0].get_name() if selected else None

    sync, pcfld = controls[SYNC], controls[PCFLD]

    def pcfld_follows_sync():
        ticked = states(sync).contains(S.CHECKED)
        enabled = states(pcfld).contains(S.ENABLED)
        return ticked != enabled

    for _ in range(2):
        ticked = states(sync).contains(S.CHECKED)
        check(until(5, pcfld_follows_sync),
              f"ﾀﾞｳﾝﾛｰﾄﾞ先 is {'disabled' if ticked else 'enabled'} while ﾌｫﾙﾀﾞ同期する is "
              f"{'ticked' if ticked else 'unticked'}")
        names = [Atspi.Action.get_action_name(sync, i) for i in range(Atspi.Action.get_n_actions(sync))]
        Atspi.Action.do_action(sync, names.index("Toggle") if "Toggle" in names else 0)
        check(until(5, lambda: states(sync).contains(S.CHECKED) != ticked), "the check box toggles")
    # Back as it started: ticked on a first start leaves ﾀﾞｳﾝﾛｰﾄﾞ先 out of the tab order.
    ticked = states(sync).contains(S.CHECKED)

    # Tabbing: each focus event as a reader hears it.
    heard = []

    def on_focus(event):
        if event.detail1 == 1:
            heard.append(event.source)

    listener = Atspi.EventListener.new(on_focus)
    listener.register("object:state-changed:focused")

    expected = [c for c in TAB_ORDER if not (ticked and c == PCFLD)]
    subprocess.run(["xdotool", "key", "--clearmodifiers", "shift+Tab"], check=True)
    # Wait for the focus to land on the last control, then start from the top.
    until(5, lambda: heard and (role(heard[-1]), heard[-1].get_name()) == expected[-1])
    print("--- tabbing")
    count = 0
    for want in expected:
        count = len(heard)
        subprocess.run(["xdotool", "key", "--clearmodifiers", "Tab"], check=True)
        until(5, lambda: len(heard) > count)
        pump(0.2)
        got = heard[count:]
        said = [spoken(n) for n in got]
        print(f"Tab -> {' | '.join(said) if said else '(nothing)'}")
        owners = [n for n in got if (role(n), n.get_name()) == want]
        check(bool(owners), f"Tab reaches {want[1]!r} ({want[0]})")
        if want == DRIVES:
            check(any(text_of(n) == drive for n in owners),
                  f"focus on the drive list says the drive {drive!r}")
        if want == FOLDERS:
            # The reader speaks the last focus it is told of.
            last = got[-1] if got else None
            check(last is not None and role(last) == "list item" and last.get_name() == open_folder,
                  f"focus on the folder list ends on the open folder {open_folder!r}")
    listener.deregister("object:state-changed:focused")
    return 1 if failures else 0


if __name__ == "__main__":
    sys.exit(main())
