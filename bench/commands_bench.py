"""How long the two buttons take under wine64, next to reg processes doing the same work.

  set editor:  from the click on the dialog's 打开 button to the first message box,
               against three "reg add" runs writing the same three values;
  restore:     from the click on 按钮1 to the box "操作完成",
               against two "reg delete" runs deleting the same two keys.

Wine's dialog itself takes about 2 s to close after its confirmation, whatever the
structure size and flags, so the same is timed for a program that shows the same
dialog and then a box with nothing between them (bench/commands_dialog_baseline.cpp);
the difference is our own part: the existence test and the three writes.

Each round measures both buttons and both reg runs; the figures are medians over the
rounds, and the ratios are taken within this one run. A box counts as shown when
inspect.exe, already watching, reports it (it looks every millisecond).

Run through bench/commands_bench.sh.
"""

import os
import shutil
import statistics
import subprocess
import sys
import threading
import time

sys.path.insert(0, os.path.join(os.path.dirname(os.path.abspath(__file__)), "..", "tests", "wine"))
import harness  # noqa: E402
from harness import child  # noqa: E402

TITLE = "请用管理员打开我"
INFO = "信息："
DIALOG_TITLE = "请选择默认图片修改软件"
KEYS = [r"SystemFileAssociations\.tga\Shell\edit\Command", r"SystemFileAssociations\image\shell\edit\command",
        r"SystemFileAssociations\.dds\Shell\edit\Command"]
SHELL_KEYS = [r"SystemFileAssociations\.dds\Shell", r"SystemFileAssociations\.tga\Shell"]


def drive_c(*parts):
    return os.path.join(os.environ["WINEPREFIX"], "drive_c", *parts)


def run_wine(*args):
    subprocess.run([harness.WINE] + list(args), stdout=subprocess.DEVNULL, stderr=subprocess.DEVNULL,
                   check=True, timeout=60)


def click_and_time(window, title):
    """Clicks the window's centre and returns the seconds until a box titled `title`
    is seen."""
    watcher = subprocess.Popen([harness.WINE, harness.inspect_exe(), "--wait-title", title, "--class", "#32770",
                                "--timeout", "30000", "--ready"], stdout=subprocess.PIPE,
                               stderr=subprocess.DEVNULL)
    first = watcher.stdout.readline()
    if first.strip() != b"ready":
        raise harness.HarnessError("inspect.exe did not start watching: %r" % first)
    seen = {}

    def note_box():
        seen["line"] = watcher.stdout.readline()
        seen["box"] = time.monotonic()

    thread = threading.Thread(target=note_box)
    x, y = harness.centre(window)
    harness.move_to(x, y)
    time.sleep(0.2)
    thread.start()
    start = time.monotonic()
    subprocess.run(["xdotool", "click", "1"], check=True, timeout=30)
    thread.join(timeout=60)
    watcher.wait(timeout=30)
    if not seen.get("line", b"").startswith(b"{"):
        raise harness.HarnessError("no box %r after the click" % title)
    return seen["box"] - start


def dismiss(program):
    """Dismisses the program's message box with Return, first activating it with a click
    on an empty corner when the reg processes took the activation from it."""
    box = program.wait_window(INFO, cls="#32770")

    def active():
        return any(w["hwnd"] == box["hwnd"] and w.get("active") == box["hwnd"] for w in program.windows())

    for _ in range(5):
        if not active():
            harness.click_client(box, 3, box["client"][1] - 3)
            harness.wait_until(active, timeout=5, message="the box to become active")
        harness.press(box, "Return")
        code, _ = harness.inspect("--wait-gone", box["hwnd"], "--timeout", 2000)
        if code == 0:
            return
    raise harness.HarnessError("the box did not go away")


def baseline_round():
    """Click on 打开 -> box, for the dialog and box alone."""
    with harness.Program(os.environ["BASELINE_EXE"]) as program:
        dialog = program.wait_window(DIALOG_TITLE, cls="#32770", timeout=30)
        harness.type_text(dialog, "bench\\setimageeditor.exe")
        time.sleep(0.3)
        shown = click_and_time(child(dialog, id=1, cls="Button"), INFO)
        dismiss(program)
        program.wait_exit(timeout=15)
        return shown


def timed(*commands):
    start = time.monotonic()
    for command in commands:
        run_wine(*command)
    return time.monotonic() - start


def main():
    rounds = int(sys.argv[1]) if len(sys.argv) > 1 else 5
    os.makedirs(drive_c("bench"), exist_ok=True)
    shutil.copy(harness.app_exe(), drive_c("bench", "SetImageEditor.exe"))
    editor = "C:\\bench\\SetImageEditor.exe"  # any existing file will do
    reg_adds = [["reg", "add", "HKEY_CLASSES_ROOT\\" + key, "/ve", "/t", "REG_SZ", "/d",
                 '"%s" "%%1"' % editor, "/f"] for key in KEYS]
    reg_deletes = [["reg", "delete", "HKEY_CLASSES_ROOT\\" + key, "/f"] for key in SHELL_KEYS]

    set_times, baseline_times, restore_times, add_times, delete_times = [], [], [], [], []
    with harness.Program(drive_c("bench", "SetImageEditor.exe")) as program:
        program.wait_window(TITLE, timeout=30)
        for round_number in range(rounds):
            print("round %d" % (round_number + 1), file=sys.stderr)
            harness.click(child(program.window(), id=104))
            dialog = program.wait_window(DIALOG_TITLE, cls="#32770", timeout=20)
            harness.type_text(dialog, "bench\\setimageeditor.exe")
            time.sleep(0.3)
            set_times.append(click_and_time(child(dialog, id=1, cls="Button"), INFO))
            for _ in range(3):
                dismiss(program)

            restore_times.append(click_and_time(child(program.window(), id=103), INFO))
            dismiss(program)
            time.sleep(1.0)  # let the two reg processes of the program finish

            add_times.append(timed(*reg_adds))
            baseline_times.append(baseline_round())
            delete_times.append(timed(*reg_deletes))

    def ms(values):
        return statistics.median(values) * 1000

    print("rounds: %d" % rounds)
    print("set editor: click on 打开 -> first box   median %7.1f ms  (all: %s)" %
          (ms(set_times), ", ".join("%.0f" % (t * 1000) for t in set_times)))
    print("  the same dialog and box alone         median %7.1f ms  (all: %s)" %
          (ms(baseline_times), ", ".join("%.0f" % (t * 1000) for t in baseline_times)))
    print("  our part (difference of medians)      %7.1f ms" % (ms(set_times) - ms(baseline_times)))
    print("three reg add processes                  median %7.1f ms  (all: %s)" %
          (ms(add_times), ", ".join("%.0f" % (t * 1000) for t in add_times)))
    print("restore: click on 按钮1 -> 操作完成       median %7.1f ms  (all: %s)" %
          (ms(restore_times), ", ".join("%.0f" % (t * 1000) for t in restore_times)))
    print("two reg delete processes                 median %7.1f ms  (all: %s)" %
          (ms(delete_times), ", ".join("%.0f" % (t * 1000) for t in delete_times)))
    print("ratio set editor / three reg add         %7.2f" % (ms(set_times) / ms(add_times)))
    print("ratio our part / three reg add           %7.2f" % ((ms(set_times) - ms(baseline_times)) / ms(add_times)))
    print("ratio restore / two reg delete           %7.2f" % (ms(restore_times) / ms(delete_times)))


if __name__ == "__main__":
    main()
