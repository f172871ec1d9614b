"""End-to-end tests of the main window: the real program under wine64, looked at with
inspect.exe and driven with real mouse clicks and key presses."""

import os
import tempfile
import time
import unittest

import harness
from harness import child, focused_child, gbk_hex

TITLE = "请用管理员打开我"
LABEL2 = "  另外,指定PS后,在系统中,通过点击图片右键-编辑,也可以调用ps打开此图片"
LABEL1 = ("说明:指定PS后,在UE4编辑器选中图片,右键-在外部编辑器中打开,可以用ps直接编辑此图片.回到UE4后,"
          "右键-重新导入,即完成修改图片操作. 另外,ps打开dds需要另外安装插件,请自行搜索.")
BUTTON1 = "还原系统默认值"
BUTTON2 = "指定系统默认图片编辑器\r\n通常指定PhotoShop"

WS_CHILD, WS_VISIBLE, WS_CLIPSIBLINGS, WS_TABSTOP = 0x40000000, 0x10000000, 0x04000000, 0x00010000
WS_CAPTION, WS_SYSMENU, WS_MINIMIZEBOX, WS_CLIPCHILDREN = 0x00C00000, 0x00080000, 0x00020000, 0x02000000
WS_THICKFRAME, WS_MAXIMIZEBOX = 0x00040000, 0x00010000
BS_CENTER, BS_VCENTER, BS_MULTILINE, BS_DEFPUSHBUTTON = 0x300, 0xC00, 0x2000, 0x1
LABEL_STYLE = WS_CHILD | WS_VISIBLE | WS_CLIPSIBLINGS
BUTTON_STYLE = WS_CHILD | WS_VISIBLE | WS_CLIPSIBLINGS | WS_TABSTOP | BS_CENTER | BS_VCENTER | BS_MULTILINE

# The controls in z-order, top first: kind, text, client position and size.
CONTROLS = [
    ("label", LABEL2, [16, 269, 304, 51]),
    ("label", LABEL1, [16, 184, 304, 80]),
    ("button", BUTTON1, [59, 129, 217, 32]),
    ("button", BUTTON2, [39, 24, 264, 88]),
]


def style(window):
    return int(window["style"], 16)


def by_text(window, text):
    return child(window, text=text)


def wait_focus(program, text, timeout=5):
    """Waits until the control with that text has the focus; returns the window."""
    def focused():
        window = program.window()
        control = focused_child(window)
        return window if control is not None and control["text"] == text else None
    return harness.wait_until(focused, timeout=timeout, message="the focus on %r" % text)


def focus_text(program):
    control = focused_child(program.window())
    return control["text"] if control else None


def start(test, args=(), cwd=None):
    """Starts the program, waits for its window and its first focus."""
    program = harness.Program(harness.app_exe(), args=args, cwd=cwd).start()
    test.addCleanup(program.kill)
    program.wait_window(TITLE)
    window = wait_focus(program, BUTTON2)
    return program, window


def still_open(test, program, seconds=1.0):
    """The program keeps running with its main window and no other window."""
    time.sleep(seconds)
    test.assertTrue(program.running(), "the program ended")
    windows = program.windows()
    test.assertEqual([w["text"] for w in windows], [TITLE], "a window other than the main window appeared")
    return windows[0]


class WindowLayout(harness.WineTestCase):
    """What the window looks like once shown: one program for all the cases."""

    @classmethod
    def setUpClass(cls):
        super().setUpClass()
        cls.program = harness.Program(harness.app_exe()).start()
        try:
            cls.program.wait_window(TITLE)
            cls.window = wait_focus(cls.program, BUTTON2)
        except Exception:
            cls.program.kill()
            raise

    @classmethod
    def tearDownClass(cls):
        cls.program.kill()

    def test_title_in_utf8_and_in_code_page_936(self):
        self.assertEqual(self.window["text"], TITLE)
        self.assertEqual(self.window["text_hex"], gbk_hex(TITLE))
        self.assertEqual(self.window["text_hex"], "c7ebd3c3b9dcc0edd4b1b4f2bfaaced2")

    def test_outer_rectangle_centred_on_1920_by_1080(self):
        out = harness.subprocess.run(["xdotool", "getdisplaygeometry"], stdout=harness.subprocess.PIPE,
                                     check=True).stdout.split()
        self.assertEqual([int(v) for v in out], [1920, 1080], "the tests need a 1920x1080 screen")
        self.assertEqual(self.window["rect"], [783, 357, 783 + 353, 357 + 366])

    def test_window_styles(self):
        # The system adds WS_CLIPSIBLINGS to every top-level window and WS_EX_WINDOWEDGE
        # to every captioned one; nothing else may be there.
        self.assertEqual(style(self.window) & ~WS_CLIPSIBLINGS,
                         WS_VISIBLE | WS_CAPTION | WS_SYSMENU | WS_MINIMIZEBOX | WS_CLIPCHILDREN)
        self.assertFalse(style(self.window) & (WS_THICKFRAME | WS_MAXIMIZEBOX), "resizable or maximizable")
        self.assertEqual(int(self.window["exstyle"], 16) & ~harness.WS_EX_WINDOWEDGE, 0)
        self.assertEqual(self.window["owner"], "0x0")
        self.assertTrue(self.window["enabled"])

    def test_controls_in_z_order_with_texts_positions_and_sizes(self):
        children = self.window["children"]
        self.assertEqual(len(children), len(CONTROLS), [c["text"] for c in children])
        for control, (kind, text, pos) in zip(children, CONTROLS):
            with self.subTest(text=text[:8]):
                self.assertEqual(control["text"], text)
                self.assertEqual(control["text_hex"], gbk_hex(text))
                self.assertEqual(control["pos"], pos)
                self.assertEqual(control["client"], pos[2:], "a control has a border")
                self.assertEqual(int(control["exstyle"], 16), 0)
                self.assertTrue(control["enabled"])
                self.assertEqual(control["children"], [])
                if kind == "button":
                    self.assertEqual(control["class"].lower(), "button")
                    self.assertEqual(style(control), BUTTON_STYLE)
                else:
                    self.assertNotEqual(control["class"].lower(), "static", "labels paint themselves")
                    self.assertNotEqual(control["class"].lower(), "button")
                    self.assertEqual(style(control), LABEL_STYLE)

    def test_the_two_labels_share_their_own_class(self):
        label2, label1 = self.window["children"][:2]
        self.assertEqual(label2["class"], label1["class"])
        self.assertNotEqual(label2["class"], self.window["class"])

    def test_first_focus_is_button2(self):
        self.assertEqual(focused_child(self.window)["text"], BUTTON2)
        self.assertEqual(self.window["active"], self.window["hwnd"])

    def test_painted_backgrounds_and_black_label_text(self):
        path = harness.screenshot(self.window, "main_window.png")
        image = harness.Image(path)
        left, top = self.window["rect"][:2]
        ox, oy = self.window["client_origin"][0] - left, self.window["client_origin"][1] - top
        self.assertEqual((image.width, image.height), (353, 366))

        background = image.pixel(ox + 5, oy + 5)
        # Corners of the client area outside every control, and the empty last line of
        # 标签2 (its text takes two lines of its 51 pixels): all button-face.
        for x, y in [(5, 5), (340, 5), (5, 335), (340, 335), (16 + 2, 269 + 49), (16 + 300, 269 + 49),
                     (16 + 300, 184 + 78)]:
            with self.subTest(point=(x, y)):
                self.assertEqual(image.pixel(ox + x, oy + y), background)
        self.assertGreater(min(background), 150, "the background is not a light button-face colour")

        for name, (kind, text, (x, y, w, h)) in zip(("标签2", "标签1"), CONTROLS[:2]):
            with self.subTest(label=name):
                pixels = list(image.pixels(ox + x, oy + y, w, h))
                dark = [p for p in pixels if max(p) < 80]
                self.assertGreater(len(dark), 100, "no text drawn")
                # The text is black, not a system colour: no tinted ink.
                tinted = [p for p in pixels if p != background and max(p) - min(p) > 40]
                self.assertEqual(tinted, [])


class Keyboard(harness.WineTestCase):
    """Real key presses; a fresh program for each case."""

    def test_tab_and_shift_tab_cycle_between_the_two_buttons(self):
        program, window = start(self)
        steps = [("Tab", BUTTON1), ("Tab", BUTTON2), ("shift+Tab", BUTTON1), ("shift+Tab", BUTTON2),
                 ("shift+Tab", BUTTON1), ("Tab", BUTTON2)]
        for key, expected in steps:
            harness.press(window, key)
            wait_focus(program, expected)
        still_open(self, program, seconds=0.2)

    def test_enter_and_f1_do_nothing(self):
        program, window = start(self)
        for focus, key in [(BUTTON2, "Return"), (BUTTON2, "KP_Enter"), (BUTTON2, "F1"),
                           (BUTTON1, "Return"), (BUTTON1, "F1")]:
            with self.subTest(focus=focus[:4], key=key):
                if focus_text(program) != focus:
                    harness.press(window, "Tab")
                    wait_focus(program, focus)
                harness.press(window, key)
                still_open(self, program)
                self.assertEqual(focus_text(program), focus, "the key moved the focus")
        # The keys did arrive: Esc still closes.
        harness.press(window, "Escape")
        self.assertEqual(program.wait_exit(), 0)

    def test_closing_ends_the_program_with_exit_code_0(self):
        for focus, key in [(BUTTON2, "Escape"), (BUTTON1, "Escape"), (BUTTON2, "alt+F4"),
                           (BUTTON1, "the close button")]:
            with self.subTest(focus=focus[:4], key=key):
                program, window = start(self)
                if focus != BUTTON2:
                    harness.press(window, "Tab")
                    wait_focus(program, focus)
                if key == "the close button":
                    # The rightmost caption button, as Wine draws it.
                    harness.click_at(window["rect"][2] - 12, window["rect"][1] + 12)
                else:
                    harness.press(window, key)
                self.assertEqual(program.wait_exit(timeout=10), 0)
                self.assertEqual(harness.top_windows(title=TITLE, pid=program.pid), [])

    def test_escape_with_a_modifier_does_not_close(self):
        program, window = start(self)
        for key in ["shift+Escape", "ctrl+Escape"]:
            with self.subTest(key=key):
                harness.press(window, key)
                still_open(self, program)
        harness.press(window, "Escape")
        self.assertEqual(program.wait_exit(), 0)


def close_other_windows(test, program, rounds=6):
    """Dismisses whatever a command showed (message boxes, the open-file dialog) with Esc,
    until only the main window is left."""
    for _ in range(rounds):
        time.sleep(0.5)
        others = [w for w in program.windows() if w["text"] != TITLE]
        if not others:
            return
        harness.press(others[0], "Escape")
    test.fail("the windows a click showed did not go away")


class Mouse(harness.WineTestCase):
    def test_a_click_on_button1_reaches_it_and_the_window_stays_responsive(self):
        # What the command does is tested elsewhere; here: the click lands on the button,
        # whatever it shows can be dismissed, and the window then still takes keys.
        program, window = start(self)
        harness.click(by_text(window, BUTTON1))
        close_other_windows(self, program)
        harness.activate(window)
        window = wait_focus(program, BUTTON1)
        self.assertTrue(window["enabled"])
        harness.press(window, "Tab")
        wait_focus(program, BUTTON2)
        harness.press(window, "Escape")
        self.assertEqual(program.wait_exit(), 0)

    def test_focus_comes_back_to_the_button_that_had_it(self):
        program, window = start(self)
        harness.press(window, "Tab")
        wait_focus(program, BUTTON1)

        # Another program's window takes the activation...
        other = harness.Program(os.environ["MINIMAL_EXE"]).start()
        self.addCleanup(other.kill)
        other_window = other.wait_window("minimal window")
        harness.wait_until(lambda: harness.top_windows(title="minimal window")[0]["active"] ==
                           other_window["hwnd"], message="the other window active")
        self.assertIsNone(focused_child(program.window()))
        # ... and goes away (it covers the main window); a click on the main window's
        # caption then activates it again.
        harness.press(other_window, "Escape")
        self.assertEqual(other.wait_exit(), 0)
        harness.activate(window)
        harness.wait_until(lambda: program.window()["active"] == window["hwnd"], message="reactivation")
        wait_focus(program, BUTTON1)


class StartedElsewhere(harness.WineTestCase):
    def test_another_current_directory_and_arguments_change_nothing(self):
        with tempfile.TemporaryDirectory() as folder:
            program, window = start(self, args=["/?", "--help", "C:\\no such file.txt"], cwd=folder)
            self.assertEqual(window["rect"], [783, 357, 1136, 723])
            self.assertEqual([c["text"] for c in window["children"]], [c[1] for c in CONTROLS])
            harness.press(window, "Escape")
            self.assertEqual(program.wait_exit(), 0)


if __name__ == "__main__":
    unittest.main()
