"""Drives Windows programs under Wine for the end-to-end tests (standard library only).

The tests run inside the Wine environment of scripts/wine-env (scripts/test sources it
once: WINE, WINEPREFIX and an Xvfb DISPLAY of 1920x1080). What the tests may use:

    exe = harness.app_exe()                      # the 64-bit build of the program
    with harness.Program(exe, args=(), cwd=None) as program:
        window = program.wait_window(TITLE)      # dict, as printed by inspect.exe
        button = harness.child(window, id=104)   # a control by id, class or text
        harness.click(button)                    # mouse click at the control's centre
        harness.click_client(window, 10, 20)     # ... or at client coordinates
        harness.press(window, "Tab", "shift+Tab")  # real key presses (xdotool)
        harness.activate(window)                 # click on its caption
        program.windows()                        # its visible top-level windows now
        program.window()                         # the first one again, fresh
        box = program.wait_window(cls="#32770")  # a message box or common dialog
        harness.texts(box)                       # texts of all its descendants
        harness.screenshot(window, "name.png")   # saved in the artifacts folder
        code = program.wait_exit(timeout=10)     # the process's exit code

Window dicts carry the fields described at the top of tools/inspect/inspect.cpp.

Key names are X keysyms as xdotool takes them ("Tab", "Return", "Escape", "space",
"shift+Tab", "alt+F4"). Typing text: harness.type_text() takes only characters typed
without Shift, since xdotool loses Shift on Xvfb.

Input goes where the X pointer is (no window manager runs on Xvfb, so the keyboard
focus follows the pointer): press() first moves the pointer into the client area of
the window it is given.
"""

import json
import os
import shutil
import subprocess
import tempfile
import time
import unittest

WINE = os.environ.get("WINE", "/usr/lib/wine/wine64")
WS_VISIBLE = 0x10000000
WS_CLIPSIBLINGS = 0x04000000
WS_EX_WINDOWEDGE = 0x00000100


class HarnessError(AssertionError):
    """A window did not appear, a process did not end, a tool failed."""


def _required_env(name):
    value = os.environ.get(name)
    if not value:
        raise HarnessError(
            "%s is not set: run the tests through scripts/test, or source scripts/wine-env "
            "and run ctest with the win64 build's paths set" % name)
    return value


def app_exe():
    """Path of the program under test (the 64-bit build), set by CMake."""
    return _required_env("APP_EXE")


def inspect_exe():
    return _required_env("INSPECT_EXE")


def artifacts_dir():
    path = os.environ.get("ARTIFACTS_DIR") or os.path.join(os.getcwd(), "artifacts")
    os.makedirs(path, exist_ok=True)
    return path


def check_environment():
    """Fails early, with a clear message, outside a Wine environment."""
    _required_env("DISPLAY")
    _required_env("WINEPREFIX")
    for tool in ("xdotool", "import"):
        if not shutil.which(tool):
            raise HarnessError("%s is missing: run scripts/setup" % tool)


# --- Looking at windows --------------------------------------------------------------

def inspect(*args, timeout=30):
    """Runs inspect.exe with the given arguments; returns (exit code, list of dicts)."""
    check_environment()
    # Output through a file, not a pipe: a Wine process that inspect.exe happens to start
    # (the desktop process) would keep a pipe open long after inspect.exe has ended.
    with tempfile.TemporaryFile() as output:
        result = subprocess.run([WINE, inspect_exe()] + [str(a) for a in args],
                                stdin=subprocess.DEVNULL, stdout=output, stderr=subprocess.DEVNULL,
                                timeout=timeout)
        output.seek(0)
        text = output.read().decode("utf-8")
    windows = []
    for line in text.splitlines():
        line = line.strip()
        if line.startswith("{"):
            windows.append(json.loads(line))
    return result.returncode, windows


def top_windows(title=None, pid=None, cls=None, visible=True):
    """The top-level windows that match, in z-order (top first)."""
    args = []
    if title is not None:
        args += ["--title", title]
    if pid is not None:
        args += ["--pid", pid]
    if cls is not None:
        args += ["--class", cls]
    if visible:
        args.append("--visible")
    code, windows = inspect(*args)
    if code != 0:
        raise HarnessError("inspect.exe failed with exit code %d" % code)
    return windows


def wait_top_window(title, pid=None, cls=None, timeout=15):
    """Waits for a visible top-level window with that exact title."""
    args = ["--wait-title", title, "--timeout", int(timeout * 1000)]
    if pid is not None:
        args += ["--pid", pid]
    if cls is not None:
        args += ["--class", cls]
    code, windows = inspect(*args, timeout=timeout + 30)
    if code != 0 or not windows:
        raise HarnessError("no visible window titled %r within %ss" % (title, timeout))
    return windows[0]


def descendants(window):
    """All windows below this one, depth first, each level in z-order."""
    for c in window.get("children", []):
        yield c
        yield from descendants(c)


def child(window, id=None, cls=None, text=None):
    """The first descendant with that control id, class and/or text (UTF-8)."""
    for c in descendants(window):
        if id is not None and c.get("id") != id:
            continue
        if cls is not None and c["class"].lower() != cls.lower():
            continue
        if text is not None and c["text"] != text:
            continue
        return c
    raise HarnessError("no child with id=%r class=%r text=%r in window %s" %
                       (id, cls, text, window["hwnd"]))


def texts(window, cls=None):
    """The non-empty texts of all descendants (a message box's text is its "Static" child)."""
    return [c["text"] for c in descendants(window)
            if c["text"] and (cls is None or c["class"].lower() == cls.lower())]


def focused_child(window):
    """The descendant that has the keyboard focus of the window's thread, or None."""
    for c in descendants(window):
        if c["hwnd"] == window.get("focus"):
            return c
    return None


def gbk_hex(text):
    """The code page 936 bytes of a text in hex, as inspect.exe reports text_hex."""
    return text.encode("gbk").hex()


# --- Input ----------------------------------------------------------------------------

def _xdotool(*args):
    check_environment()
    subprocess.run(["xdotool"] + [str(a) for a in args], check=True, timeout=30,
                   stdout=subprocess.DEVNULL, stderr=subprocess.DEVNULL)


def move_to(x, y):
    # Not --sync: it waits ten seconds when the pointer is already there.
    _xdotool("mousemove", x, y)
    time.sleep(0.05)


def click_at(x, y, button=1):
    """A real mouse click at screen coordinates."""
    move_to(x, y)
    time.sleep(0.05)
    _xdotool("click", button)


def centre(window):
    left, top, right, bottom = window["rect"]
    return (left + right) // 2, (top + bottom) // 2


def click(window, button=1):
    """A mouse click at the centre of a window or control."""
    x, y = centre(window)
    click_at(x, y, button)


def click_client(window, x, y, button=1):
    """A mouse click at client coordinates of a window."""
    ox, oy = window["client_origin"]
    click_at(ox + x, oy + y, button)


def activate(window):
    """Activates a top-level window with a click in the middle of its caption. Without a
    window manager nothing activates a window when another one closes (a message box,
    a dialog), where Windows would activate the one below."""
    left, top, right, _ = window["rect"]
    click_at((left + right) // 2, top + max((window["client_origin"][1] - top) // 2, 1))


def point_at(window):
    """Puts the pointer inside the window's client area, 3 pixels from its top-left
    corner (clear of controls in the usual layouts), so that the keyboard reaches it:
    over the caption it would not."""
    ox, oy = window["client_origin"]
    move_to(ox + 3, oy + 3)


def press(window, *keys, delay=0.15):
    """Real key presses into a top-level window, one after the other."""
    point_at(window)
    for key in keys:
        _xdotool("key", key)
        time.sleep(delay)


def type_text(window, text):
    """Types characters that need no Shift (xdotool loses Shift on Xvfb)."""
    for ch in text:
        if ch.isupper() or ch in '~!@#$%^&*()_+{}|:"<>?':
            raise HarnessError("type_text cannot type %r: it needs Shift" % ch)
    point_at(window)
    _xdotool("type", "--delay", 30, text)


def screenshot(window, name):
    """Saves the window's outer rectangle as a PNG in the artifacts folder; returns the path."""
    left, top, right, bottom = window["rect"]
    path = name if os.path.isabs(name) else os.path.join(artifacts_dir(), name)
    subprocess.run(["import", "-window", "root", "-crop",
                    "%dx%d+%d+%d" % (right - left, bottom - top, left, top), "+repage", path],
                   check=True, timeout=30, stdout=subprocess.DEVNULL, stderr=subprocess.DEVNULL)
    return path


def wait_until(condition, timeout=5, interval=0.1, message="condition"):
    """Polls condition() until it returns something true; returns that or fails."""
    deadline = time.monotonic() + timeout
    while True:
        value = condition()
        if value:
            return value
        if time.monotonic() >= deadline:
            raise HarnessError("timed out after %ss waiting for %s" % (timeout, message))
        time.sleep(interval)


# --- Programs -------------------------------------------------------------------------

class Program:
    """A Windows program started under wine64. Use it as a context manager: a program
    that is still running at the end is killed."""

    def __init__(self, exe, args=(), cwd=None):
        check_environment()
        self.exe = os.path.abspath(exe)
        self.args = [str(a) for a in args]
        self.cwd = cwd
        self.pid = None  # the Windows process id, known once a window was seen
        self.process = None
        self._title = None

    def start(self):
        self._pids_before = {w["pid"] for w in top_windows()}
        self.process = subprocess.Popen([WINE, self.exe] + self.args, cwd=self.cwd,
                                        stdin=subprocess.DEVNULL, stdout=subprocess.DEVNULL,
                                        stderr=subprocess.DEVNULL)
        return self

    def __enter__(self):
        if self.process is None:
            self.start()
        return self

    def __exit__(self, *exc):
        self.kill()
        return False

    def running(self):
        return self.process is not None and self.process.poll() is None

    def wait_window(self, title=None, cls=None, timeout=15):
        """Waits for a visible top-level window of this program. Until one was seen,
        the program's Windows process id is unknown: its first window must be found by
        its title, and is the one of a process that showed no window before start()."""
        deadline = time.monotonic() + timeout
        if self.pid is None and title is None:
            raise HarnessError("the program's first window must be found by its title")
        while True:
            if self.pid is None:
                found = [w for w in top_windows(title=title, cls=cls) if w["pid"] not in self._pids_before]
            else:
                found = top_windows(title=title, pid=self.pid, cls=cls)
            if found:
                self.pid = found[0]["pid"]
                if self._title is None:
                    self._title = title
                return found[0]
            if not self.running():
                raise HarnessError("the program ended (exit code %s)" % self.process.returncode)
            if time.monotonic() >= deadline:
                raise HarnessError("no window title=%r class=%r within %ss" % (title, cls, timeout))
            time.sleep(0.05)

    def windows(self):
        """Its visible top-level windows, in z-order."""
        if self.pid is None:
            raise HarnessError("wait_window first")
        return top_windows(pid=self.pid)

    def window(self, title=None):
        """Its first visible top-level window (with that title), fresh."""
        title = title if title is not None else self._title
        found = top_windows(title=title, pid=self.pid)
        if not found:
            raise HarnessError("the program shows no window titled %r" % title)
        return found[0]

    def wait_exit(self, timeout=15):
        """Waits for the process to end; returns its exit code (the Windows exit code
        modulo 256: -1 reads as 255)."""
        try:
            return self.process.wait(timeout=timeout)
        except subprocess.TimeoutExpired:
            raise HarnessError("the program did not end within %ss" % timeout)

    def kill(self):
        if self.running():
            self.process.kill()
            self.process.wait(timeout=30)


class WineTestCase(unittest.TestCase):
    """Base class of the end-to-end tests: checks the environment once."""

    @classmethod
    def setUpClass(cls):
        check_environment()


# --- Pictures -------------------------------------------------------------------------

class Image:
    """An RGB picture read through ImageMagick: image.pixel(x, y) -> (r, g, b)."""

    def __init__(self, path):
        data = subprocess.run(["convert", path, "-depth", "8", "ppm:-"], check=True, timeout=30,
                              stdout=subprocess.PIPE, stderr=subprocess.DEVNULL).stdout
        # P6 header: magic, width, height, maximum value, each followed by white space.
        fields, pos = [], 0
        while len(fields) < 4:
            while data[pos:pos + 1].isspace():
                pos += 1
            start = pos
            while not data[pos:pos + 1].isspace():
                pos += 1
            fields.append(data[start:pos])
        self.width, self.height = int(fields[1]), int(fields[2])
        self.data = data[pos + 1:]

    def pixel(self, x, y):
        i = (y * self.width + x) * 3
        return tuple(self.data[i:i + 3])

    def pixels(self, left, top, width, height):
        for y in range(top, top + height):
            for x in range(left, left + width):
                yield self.pixel(x, y)
