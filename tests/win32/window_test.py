#!/usr/bin/env python3
"""pivora.exe under Wine on a real X display, as a user meets it.

Started with a clip whose name has a space (Chinese in the Chinese code page), the window is
found with xdotool and "旋转视频" is pressed with a real click; the Windows ffmpeg's output must
be the clip turned a quarter clockwise. Files with a Chinese name dropped as Explorer drops
them join the list; "设置" opens and closes; closing during a batch asks first, "否" keeps the
batch going and "是" stops it, leaves no partial output and no converter behind. At 200 % the
window fits the small screen.

Usage: window_test.py <wine64> <pivora.exe> <window_probe.exe> <ffmpeg.exe> <work folder>
Runs under xvfb-run with WINEPREFIX set; LANG chooses the code page (936 or 1252).
"""
import os
import shutil
import subprocess
import sys
import tempfile
import time

WINE, PIVORA, PROBE, FFMPEG, WORK = sys.argv[1:6]
CHINESE = os.environ.get("LANG", "").startswith("zh")

# Control numbers of the window (src/win32ui/ResourceIds.h).
IDC_CMDTOOLSBAR4 = 1004  # "设置"
IDC_LV = 1011
IDC_COMMAND3 = 1023
IDC_LBLPB = 1024
IDC_OPT_COMMAND2 = 3007  # "返回"
IDYES, IDNO = 6, 7


def windows_path(path):
    return "Z:" + path.replace("/", "\\")


def probe(*arguments, check=True):
    # Through a file, not a pipe: a program the probe starts keeps its output open.
    with tempfile.TemporaryFile() as out, tempfile.TemporaryFile() as err:
        result = subprocess.run([WINE, PROBE, *arguments], stdout=out, stderr=err, timeout=120)
        out.seek(0)
        err.seek(0)
        text = out.read().decode("utf-8", "replace").replace("\r\n", "\n")
        if result.returncode != 0:
            text += err.read().decode("utf-8", "replace")
    if check and result.returncode != 0:
        raise AssertionError("probe %s failed (%d): %s" % (arguments, result.returncode, text))
    return text


def wait_for(what, condition, seconds):
    end = time.monotonic() + seconds
    while time.monotonic() < end:
        value = condition()
        if value:
            return value
        time.sleep(0.5)
    raise AssertionError("gave up waiting for " + what)


def make_clip(path, seconds, size="160x120"):
    # Blue with a red top-left corner, so that a turn shows where the corner went.
    width, height = (int(x) for x in size.split("x"))
    subprocess.run(["ffmpeg", "-v", "error", "-y", "-f", "lavfi", "-i",
                    "color=c=blue:s=%s:d=%d:r=25,drawbox=x=0:y=0:w=%d:h=%d:c=red:t=fill"
                    % (size, seconds, width // 4, height // 4),
                    "-pix_fmt", "yuv420p", path], check=True, timeout=120)


def red_corner(path):
    """Where the red corner of the first frame is, and the frame's size."""
    size = subprocess.run(["ffprobe", "-v", "error", "-select_streams", "v:0", "-show_entries",
                           "stream=width,height", "-of", "csv=p=0", path],
                          capture_output=True, text=True, check=True).stdout.strip()
    width, height = (int(x) for x in size.split(","))
    frame = subprocess.run(["ffmpeg", "-v", "error", "-i", path, "-frames:v", "1", "-f",
                            "rawvideo", "-pix_fmt", "rgb24", "-"],
                           capture_output=True, check=True).stdout

    def red(x, y):
        r, g, b = frame[(y * width + x) * 3:(y * width + x) * 3 + 3]
        return r > 150 and b < 100

    corners = {"top-left": (2, 2), "top-right": (width - 3, 2),
               "bottom-left": (2, height - 3), "bottom-right": (width - 3, height - 3)}
    found = [name for name, (x, y) in corners.items() if red(x, y)]
    return (width, height), found


def duration(path):
    result = subprocess.run(["ffprobe", "-v", "error", "-show_entries", "format=duration", "-of",
                             "csv=p=0", path], capture_output=True, text=True)
    try:
        return float(result.stdout.strip())
    except ValueError:
        return 0.0


def rows():
    return [line for line in probe("rows").split("\n") if line]


def main():
    if not os.path.exists(FFMPEG):
        print("no Windows ffmpeg: it could not be fetched from the npm registry")
        return
    shutil.rmtree(WORK, ignore_errors=True)
    program = os.path.join(WORK, "program")
    os.makedirs(os.path.join(program, "data"))
    shutil.copy(PIVORA, program)
    os.symlink(FFMPEG, os.path.join(program, "data", "conv.exe"))
    clips = os.path.join(WORK, "片段 文件夹" if CHINESE else "clips")
    os.makedirs(clips)
    # A Western code page cannot hold a Chinese name on the converter's command line; the
    # program copies such a file when it comes through a dialog or a drop.
    first = os.path.join(clips, "视频 片段.mp4" if CHINESE else "clip café 1.mp4")
    make_clip(first, 2)
    output = os.path.join(WORK, "输出" if CHINESE else "output")
    appdata = os.path.join(WORK, "appdata")
    localappdata = os.path.join(WORK, "localappdata")
    os.makedirs(appdata)
    os.makedirs(localappdata)
    # The output folder the window starts with.
    with open(os.path.join(appdata, "pvsetting.ini"), "w", encoding="utf-8") as file:
        file.write(windows_path(output) + "\r\n")
    # No end sound: the test machine has no sound device.
    with open(os.path.join(program, "options.ini"), "w") as file:
        file.write("1\r\n0\r\n0\r\n0\r\n")

    # Chinese names show as Chinese in the Western code page too, where Wine's fonts lack it.
    font = subprocess.run(["fc-match", "-f", "%{file}", "WenQuanYi Micro Hei:lang=zh-cn"],
                          capture_output=True, text=True).stdout
    if font:
        family = subprocess.run(["fc-scan", "-f", "%{family[0]}\n", font], capture_output=True,
                                text=True).stdout.split("\n")[0]
        probe("fontlink", os.path.basename(font) + "," + family)
    started = probe("launch", windows_path(appdata), windows_path(localappdata),
                    windows_path(os.path.join(program, "pivora.exe")), windows_path(first))
    try:
        run(output, clips, first)
    finally:
        # Whatever happened, the next test finds no window of this one.
        probe("kill", started.strip(), check=False)
    if CHINESE:
        fits_small_screen(appdata, localappdata, program, first)


def fits_small_screen(appdata, localappdata, program, clip):
    # At 200 % the window is larger than this 1024 × 768 screen: laid out smaller, it fits.
    key = r"HKCU\Control Panel\Desktop"
    subprocess.run([WINE, "reg", "add", key, "/v", "LogPixels", "/t", "REG_DWORD", "/d", "192",
                    "/f"], check=True, capture_output=True, timeout=120)
    started = ""
    try:
        started = probe("launch", windows_path(appdata), windows_path(localappdata),
                        windows_path(os.path.join(program, "pivora.exe")), windows_path(clip))
        time.sleep(1)  # moved into the screen once shown
        shell = subprocess.run(["xdotool", "getwindowgeometry", "--shell", find_x_window()],
                               capture_output=True, text=True, check=True).stdout
        place = {k: int(v) for k, v in (line.split("=") for line in shell.split())}
        assert 700 < place["WIDTH"] and place["X"] >= 0 and place["Y"] >= 0 and \
            place["X"] + place["WIDTH"] <= 1024 and place["Y"] + place["HEIGHT"] <= 768, shell
        left, top, right, bottom = (int(v) for v in probe("rect", str(IDC_COMMAND3)).split())
        assert 0 <= left < right <= 1024 and 0 <= top < bottom <= 768, (left, top, right, bottom)
    finally:
        if started:
            probe("kill", started.strip(), check=False)
        subprocess.run([WINE, "reg", "delete", key, "/v", "LogPixels", "/f"],
                       capture_output=True, timeout=120)


def find_x_window():
    # A real X window: xdotool finds it by its title.
    return wait_for("the window on the display", lambda: subprocess.run(
        ["xdotool", "search", "--onlyvisible", "--name", "^Pivora$"],
        capture_output=True, text=True).stdout.split(), 60)[0]


def run(output, clips, first):
    x_window = find_x_window()
    listed = wait_for("the clip in the list", rows, 30)
    assert len(listed) == 1 and listed[0].split("\t")[1] == "MP4", listed
    if CHINESE:
        # The code page holds the name: the list shows it as it is.
        assert "视频 片段.mp4" in listed[0], listed

    # "旋转视频", pressed with the mouse where the button is on the screen.
    left, top, right, bottom = (int(x) for x in probe("rect", str(IDC_COMMAND3)).split())
    start_text = probe("text", str(IDC_COMMAND3)).strip()
    assert start_text == ("旋转视频" if CHINESE else "Rotate Video"), start_text
    subprocess.run(["xdotool", "mousemove", str((left + right) // 2), str((top + bottom) // 2),
                    "click", "1"], check=True)
    done = "完成." if CHINESE else "Done."
    wait_for("the end of the batch", lambda: probe("text", str(IDC_LBLPB)).strip() == done, 120)
    outputs = os.listdir(output)
    base = os.path.splitext(os.path.basename(first))[0]
    assert len(outputs) == 1 and outputs[0].startswith(base + "_Rotated"), outputs
    size, corners = red_corner(os.path.join(output, outputs[0]))
    # A quarter turn clockwise: the top-left corner goes to the top right.
    assert size == (120, 160) and corners == ["top-right"], (size, corners)
    assert rows() == [], "the converted file left the list"

    # The end of the batch opened the output folder in the file browser: the window comes back
    # on top, where the files are dragged to.
    subprocess.run(["xdotool", "windowraise", x_window], timeout=60)
    time.sleep(1)

    # Drops join the list, a long clip three times: twice in a WM_DROPFILES as Explorer hands
    # it to a window that accepts files, once by OLE drag and drop as Explorer drags.
    second = os.path.join(clips, "第二个 片段.mp4")
    make_clip(second, 60, "1280x720")
    probe("drop", *[windows_path(second)] * 2)
    wait_for("the dropped files in the list", lambda: len(rows()) == 2, 30)
    probe("oledrop", windows_path(second))
    listed = wait_for("the dragged file in the list", lambda: len(rows()) == 3 and rows(), 30)
    assert all(row.endswith("MP4\t") for row in listed), listed
    if CHINESE:
        assert "第二个 片段.mp4" in listed[0], listed
    # What the window looks like now, for a person to look at.
    if shutil.which("import"):
        subprocess.run(["import", "-window", "root", os.path.join(WORK, "window.png")],
                       timeout=60)

    # "设置" opens over the window and closes with "返回".
    probe("click", str(IDC_CMDTOOLSBAR4))
    options_title = "设置" if CHINESE else "Settings"
    texts = probe("dialog", "PivoraOptions", options_title, str(IDC_OPT_COMMAND2))
    # Every row of the dialog: three captions, three boxes, "OK" and "返回".
    shown = {int(line.split("\t")[0]) for line in texts.split("\n") if line}
    assert shown == set(range(3000, 3008)), texts
    wait_for("the settings to close", lambda: subprocess.run(
        [WINE, PROBE, "gone", "PivoraOptions", options_title], stdout=subprocess.DEVNULL,
        timeout=60).returncode == 0, 20)

    # Closing during a batch asks first. "否": the batch goes on.
    probe("click", str(IDC_COMMAND3))
    stop = "停止" if CHINESE else "Stop"
    wait_for("the batch to run", lambda: probe("text", str(IDC_COMMAND3)).strip() == stop, 30)
    probe("close")
    question = probe("dialog", "#32770", "Pivora", str(IDNO))
    assert ("正在转换视频" if CHINESE else "Videos are being converted") in question, question
    time.sleep(1)
    assert probe("text", str(IDC_COMMAND3)).strip() == stop, "the batch went on"
    # "是": the converter ends, its partial output goes, and the program ends.
    probe("close")
    probe("dialog", "#32770", "Pivora", str(IDYES))
    wait_for("the program to end", lambda: subprocess.run(
        ["xdotool", "search", "--name", "^Pivora$"], capture_output=True).returncode != 0, 60)
    # The stopped run's partial output is gone: what is left is whole, each as long as its clip
    # (the first batch's, and any long one that ended before the stop).
    for name in os.listdir(output):
        expected = 2.0 if name in outputs else 60.0
        assert abs(duration(os.path.join(output, name)) - expected) < 0.5, \
            "a partial output was left: %s" % name
    # Wine's processes carry their Windows command line; this program's converter is the one
    # in its own folder (other tests share the prefix).
    ours = windows_path(os.path.join(WORK, "program", "data", "conv.exe"))
    running = []
    for pid in os.listdir("/proc"):
        try:
            with open("/proc/%s/cmdline" % pid, "rb") as file:
                line = file.read().replace(b"\0", b" ").decode("utf-8", "replace")
        except OSError:
            continue
        if ours in line:
            running.append(pid)
    assert running == [], "a converter was left running: %s" % running
    print("window test passed (%s, X window %s)" % ("Chinese" if CHINESE else "English", x_window))


if __name__ == "__main__":
    main()
