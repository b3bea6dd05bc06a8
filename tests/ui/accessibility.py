"""The window through the desktop's accessibility bus with pyatspi, which screen readers use: every
command found by name and role, the toolbar in the order it is seen, reached by Tab, pressed by key
or action; a clip converted and the end of the batch announced."""
import contextlib, os, shutil, signal, subprocess, sys, time
try:
    import pyatspi
    from gi.repository import GLib
except ImportError:
    print("SKIP: pyatspi is missing (Debian: python3-pyatspi)")
    sys.exit(77)

MENU = ["文件(F)", "移除(R)", "设置(S)", "关于(A)", "添加文件", "添加文件夹", "退出", "移除选择的文件",
        "移除所有", "帮助"]
BUTTONS = ["添加文件", "添加文件夹", "移除", "设置", "帮助", "退出", "将视频文件拖到此处", "选择输出文件夹",
           "旋转视频", "松开鼠标, 把文件加入列表", "将媒体文件拖到此区域"]
# Boxes of choices go by their labels, as screen readers on this desktop name them.
COMMANDS = [("push button", n) for n in BUTTONS] + [("menu item", n) for n in MENU] + [
    ("tree", "文件列表"), ("combo box", "输出格式:"), ("combo box", "旋转:"), ("text", "输出路径"),
    ("combo box", "视频质量 (比特率 - K):"), ("link", "反馈"), ("progress bar", "转换进度")]
# Not for Tab: what only shows, the drop target beyond the window's edge, the menus (Alt).
UNFOCUSED = {"转换进度", "将媒体文件拖到此区域", *MENU}
# Tab follows the window as it is seen: from the first button to the welcome picture, then
# (that gone) round from the list.
TAB, CYCLE = BUTTONS[1:7], ["文件列表", "输出格式:", "旋转:", "视频质量 (比特率 - K):", "输出路径",
                            "选择输出文件夹", "旋转视频", "反馈", *BUTTONS[:6]]
SHOWING, FOCUSED = pyatspi.STATE_SHOWING, pyatspi.STATE_FOCUSED

def wait_for(what, check):
    for _ in range(300):
        with contextlib.suppress(GLib.Error, AttributeError, StopIteration):  # not there (yet)
            if result := check():
                return result
        time.sleep(0.1)
        while GLib.MainContext.default().iteration(False):  # the bus's events
            pass
    raise TimeoutError("gave up waiting for " + what)

def walk(node):  # not into the rows of lists
    yield node
    for child in map(node.getChildAtIndex, range(node.childCount)):
        yield from walk(child) if child and node.getRoleName() not in ("list", "tree") else ()

def find(root, role=None, wanted=None, state=None):
    return next((n for n in walk(root) if role in (None, n.getRoleName()) and wanted in (
        None, name(n)) and (state is None or n.getState().contains(state))), None)

def name(node):
    return next((r.getTarget(0).name for r in node.getRelationSet() if node.getRoleName() ==
                 "combo box" and r.getRelationType() == pyatspi.RELATION_LABELLED_BY), node.name)

def press(node):
    action = node.queryAction()
    action.doAction([action.getName(i) for i in range(action.nActions)].index("Press"))

def tab(frame):  # gives the name of what has the focus once it has moved
    before = find(frame, state=FOCUSED)
    pyatspi.Registry.generateKeyboardEvent(0xFF09, None, pyatspi.KEY_SYM)
    return name(wait_for("Tab", lambda: find(frame, state=FOCUSED) not in (None, before)
                         and find(frame, state=FOCUSED)))

def drive(pid, clip, outputs):
    desktop = pyatspi.Registry.getDesktop(0)
    app = wait_for("the program", lambda: next(a for a in desktop if a.get_process_id() == pid))
    frame = wait_for("the window", lambda: find(app, "frame", "Pivora", SHOWING))
    start = wait_for("旋转视频", lambda: find(frame, "push button", "旋转视频", SHOWING))
    missing = [f"{r} {n!r}" for r, n in COMMANDS if not find(frame, r, n) or n not in UNFOCUSED
               and not find(frame, r, n, pyatspi.STATE_FOCUSABLE)]
    # The toolbar on the bus in the order it is seen, as a screen reader's review walks it.
    toolbar = [name(n) for n in walk(frame) if n.getRoleName() == "push button" and
               name(n) in BUTTONS[:6]]
    missing += [f"toolbar order {toolbar}"] * (toolbar != BUTTONS[:6])
    # The bar only shows: no actions that offer to move it.
    bar = find(frame, "progress bar", "转换进度")
    with contextlib.suppress(NotImplementedError):
        action = bar.queryAction()
        missing += [f"progress bar action {action.getName(i)}" for i in range(action.nActions)]
    # No window manager gives the window the focus: xdotool does. Tab from the first button to
    # the welcome picture, whose Enter opens the add-file dialog; the clip typed there is added.
    focus = ["xdotool", "search", "--sync", "--onlyvisible", "--pid", str(pid), "--name",
             "^Pivora$", "windowfocus", "--sync"]
    subprocess.run(focus, check=True, timeout=30)
    first = [tab(frame) for _ in TAB]
    assert first == TAB, f"Tab from the first button goes {first}, missing {missing}"
    pyatspi.Registry.generateKeyboardEvent(0xFF0D, None, pyatspi.KEY_SYM)  # Enter
    files = wait_for("打开文件", lambda: find(app, "dialog", "打开文件", SHOWING))
    wait_for("its name box", lambda: find(files, "text", state=FOCUSED)).queryEditableText() \
        .setTextContents(clip)
    press(wait_for("Open", lambda: find(files, "push button", state=pyatspi.STATE_IS_DEFAULT)))
    wait_for("the clip listed", lambda: clip in [c.name for c in find(frame, "tree", "文件列表")])
    # The presses return before the dialogs they open: a toolbar button's, a dialog's.
    press(find(frame, "push button", "设置"))
    press(wait_for("返回", lambda: find(find(app, "dialog", "设置", SHOWING), "push button", "返回")))
    wait_for("设置 to close", lambda: not find(app, "dialog", "设置", SHOWING))
    subprocess.run(focus, check=True, timeout=30)  # back from the dialogs
    seen = [tab(frame) for _ in range(2 * len(CYCLE))]
    seen = seen[seen.index(CYCLE[0]):][:len(CYCLE)] if CYCLE[0] in seen else seen
    missing += [f"Tab order {seen}"] * (seen != CYCLE)
    # What a screen reader hears without looking: a notification that appears.
    said = []
    def heard(event):
        if event.detail1 and event.source and event.source.getRoleName() == "notification":
            said.append(event.source.name)
    pyatspi.Registry.registerEventListener(heard, "object:state-changed:showing")
    press(start)
    wait_for("the clip converted, the window idle", lambda: os.listdir(outputs) and
             find(frame, "label", "完成.") and start.name == "旋转视频")
    with contextlib.suppress(TimeoutError):
        wait_for("the end announced", lambda: said)
    missing += [f"announced {said}"] * (said != ["完成. 已转换 1 个文件."])
    return missing

def main(program, work):
    home, folder = os.path.join(work, "home"), os.path.join(work, "program")
    shutil.rmtree(work, ignore_errors=True)
    for made in (os.path.join(folder, "data"), os.path.join(home, "output"), work + "/run"):
        os.makedirs(made, mode=0o700)
    # Its own program folder, the converter a copy of ffmpeg: the program's sweep of stray
    # converters at its start never meets another test's.
    shutil.copy2(program, folder)
    shutil.copy2(shutil.which("ffmpeg"), os.path.join(folder, "data", "conv"))
    clip = os.path.join(work, "clip.mp4")
    subprocess.run(["ffmpeg", "-v", "error", "-f", "lavfi", "-i", "testsrc=duration=1", clip],
                   check=True, stdin=subprocess.DEVNULL)
    env = {k: v for k, v in os.environ.items() if k not in ("NO_AT_BRIDGE", "LANGUAGE")}
    # Under AddressSanitizer: Qt's X11 plugin hands strndup counted strings without an end.
    env.update(HOME=home, XDG_CONFIG_HOME=home + "/.config", XDG_CACHE_HOME=home + "/.cache",
               XDG_STATE_HOME=home + "/.local/state", XDG_RUNTIME_DIR=work + "/run",
               QT_QPA_PLATFORM="xcb", QT_LINUX_ACCESSIBILITY_ALWAYS_ON="1", QT_ACCESSIBILITY="1",
               LC_ALL="C.UTF-8", ASAN_OPTIONS=os.getenv("ASAN_OPTIONS", "") + ":"
               "strict_string_checks=0")
    process = subprocess.Popen([os.path.join(folder, "pivora")], env=env, cwd=work)
    try:
        missing = drive(process.pid, clip, os.path.join(home, "output"))
    finally:
        process.send_signal(signal.SIGTERM)  # which the program takes as a normal end
        status = process.wait(30)
    print("\n".join(["missing: " + m for m in missing] + [f"status {status}"] * (status != 0))
          or "every command found by name and role; the clip converted")
    return 1 if missing or status else 0

if __name__ == "__main__":
    sys.exit(main(*map(os.path.abspath, sys.argv[1:3])))
