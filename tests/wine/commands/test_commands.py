"""End-to-end tests of both buttons: the real program under wine64 in a fresh prefix,
driven with real clicks and key presses, its boxes read with inspect.exe and the
registry read back with the system's reg tool and with regvalue.exe (exact bytes).

Run by run_e2e.sh, which makes the prefix; needs APP_EXE, INSPECT_EXE, REGVALUE_EXE and
PLANTED_REG_EXE (set by CMake).
"""

import os
import shutil
import subprocess
import time
import unittest

import harness
from harness import child

TITLE = "请用管理员打开我"
INFO = "信息："
DIALOG_TITLE = "请选择默认图片修改软件"
BUTTON1_ID, BUTTON2_ID = 103, 104

TGA_KEY = r"SystemFileAssociations\.tga\Shell\edit\Command"
IMAGE_KEY = r"SystemFileAssociations\image\shell\edit\command"
DDS_KEY = r"SystemFileAssociations\.dds\Shell\edit\Command"
PAINT = '"%systemroot%\\system32\\mspaint.exe" "%1"'
MARKER = "planted-reg-ran.txt"

SET_SUCCEEDED = ["设定tga默认编辑程序成功", "设定jpg,png,bmp默认编辑程序成功", "设定dds默认编辑程序成功"]


def drive_c(*parts):
    return os.path.join(os.environ["WINEPREFIX"], "drive_c", *parts)


def wine(*args, timeout=60):
    result = subprocess.run([harness.WINE] + [str(a) for a in args], stdout=subprocess.PIPE,
                            stderr=subprocess.DEVNULL, timeout=timeout)
    return result.returncode, result.stdout.decode("gbk", errors="replace")


def stored(key):
    """The default value of HKCR\\key in the 64-bit view: (type, bytes), or None."""
    _, out = wine(os.environ["REGVALUE_EXE"], key)
    out = out.strip()
    if not out.startswith("type "):
        return None
    fields = out.split()
    return int(fields[1]), bytes.fromhex(fields[3]) if len(fields) > 3 else b""


def key_exists(key):
    _, out = wine(os.environ["REGVALUE_EXE"], key)
    return out.strip() != "no key"


def reg_query_default(key):
    """What "reg query HKCR\\key /ve" shows for the default value: (type name, data)."""
    code, out = wine("reg", "query", "HKEY_CLASSES_ROOT\\" + key, "/ve")
    if code != 0:
        return None
    for line in out.splitlines():
        fields = line.strip().split("    ")
        if len(fields) == 3 and fields[1].startswith("REG_"):
            return fields[1], fields[2]
    return None


def wait_gone(window, timeout=10):
    code, _ = harness.inspect("--wait-gone", window["hwnd"], "--timeout", int(timeout * 1000),
                              timeout=timeout + 30)
    if code != 0:
        raise harness.HarnessError("window %s did not go away" % window["hwnd"])


class CommandsTest(harness.WineTestCase):

    @classmethod
    def setUpClass(cls):
        super().setUpClass()
        # A program folder with a reg.exe planted beside the program, one without, and
        # the folder of the "editor", where the dialog leaves the current directory and
        # where a reg.exe is planted too.
        for folder in ("planted", "clean", "editors"):
            shutil.rmtree(drive_c(folder), ignore_errors=True)
            os.makedirs(drive_c(folder))
        for folder in ("planted", "clean"):
            shutil.copy(harness.app_exe(), drive_c(folder, "SetImageEditor.exe"))
        shutil.copy(os.environ["PLANTED_REG_EXE"], drive_c("planted", "reg.exe"))
        shutil.copy(os.environ["PLANTED_REG_EXE"], drive_c("editors", "reg.exe"))
        shutil.copy(os.environ["REGVALUE_EXE"], drive_c("editors", "myeditor.exe"))

    def start(self, folder):
        program = harness.Program(drive_c(folder, "SetImageEditor.exe")).start()
        self.addCleanup(program.kill)
        window = program.wait_window(TITLE, timeout=30)
        return program, window

    def read_box(self, program, screenshot=None):
        """Waits for the next message box, checks it, dismisses it with Return; its text."""
        box = program.wait_window(INFO, cls="#32770", timeout=15)
        self.assertEqual(box["owner"], "0x0")
        child(box, cls="Button", text="确定")
        texts = harness.texts(box, cls="Static")
        if screenshot:
            time.sleep(0.3)  # let it paint
            harness.screenshot(box, screenshot)
        self.dismiss(program, box)
        return texts[0] if texts else None

    def dismiss(self, program, box, attempts=5):
        """Return on the box. The reg processes that 按钮1 starts take the activation
        from it, sometimes only after it appeared; a user then clicks the box first, and
        so do we: an empty corner of it, never its button."""
        for _ in range(attempts):
            if not self.active_box(program, box["hwnd"]):
                _, height = box["client"]
                harness.click_client(box, 3, height - 3)
                harness.wait_until(lambda: self.active_box(program, box["hwnd"]), timeout=5,
                                   message="the box to become active")
            harness.press(box, "Return")
            try:
                wait_gone(box, timeout=2)
                return
            except harness.HarnessError:
                if not any(w["hwnd"] == box["hwnd"] for w in program.windows()):
                    return
        raise harness.HarnessError("the box %s did not go away with Return" % box["hwnd"])

    @staticmethod
    def active_box(program, hwnd):
        return any(w["hwnd"] == hwnd and w.get("active") == hwnd for w in program.windows())

    def assert_no_more_boxes(self, program):
        time.sleep(1.0)
        self.assertEqual([w for w in program.windows() if w["class"] == "#32770"], [])

    def click_button(self, program, control_id):
        harness.click(child(program.window(), id=control_id))

    def open_dialog(self, program, screenshot=None):
        self.click_button(program, BUTTON2_ID)
        dialog = program.wait_window(DIALOG_TITLE, cls="#32770", timeout=20)
        if screenshot:
            time.sleep(0.5)
            harness.screenshot(dialog, screenshot)
        return dialog

    def wait_deleted(self, *keys):
        harness.wait_until(lambda: not any(key_exists(k) for k in keys), timeout=30,
                           message="the reg processes to delete %s" % (keys,))

    # --------------------------------------------------------------------------------

    def test_set_editor_restore_and_restore_again(self):
        program, _ = self.start("clean")
        dialog = self.open_dialog(program, screenshot="commands-open-dialog.png")
        # The dialog starts in "C:": the user goes into C:\editors (which moves the
        # current directory there) and picks the editor; no name needs a shifted key.
        harness.type_text(dialog, "editors")
        harness.press(dialog, "Return")
        time.sleep(1.0)
        harness.type_text(dialog, "myeditor.exe")
        harness.press(dialog, "Return")
        wait_gone(dialog)

        messages = [self.read_box(program, screenshot="commands-message-box.png" if i == 0 else None)
                    for i in range(3)]
        self.assertEqual(messages, SET_SUCCEEDED)
        self.assert_no_more_boxes(program)

        command = '"C:\\editors\\myeditor.exe" "%1"'
        for key in (TGA_KEY, IMAGE_KEY, DDS_KEY):
            self.assertEqual(stored(key), (1, command.encode("gbk") + b"\0"), key)
            self.assertEqual(reg_query_default(key), ("REG_SZ", command), key)

        # The dialog left the current directory in C:\editors, where a reg.exe waits.
        self.click_button(program, BUTTON1_ID)
        self.assertEqual(self.read_box(program), "操作完成")
        self.assert_no_more_boxes(program)
        time.sleep(2.0)
        self.assertFalse(os.path.exists(drive_c("editors", MARKER)), "the planted reg.exe ran")
        self.wait_deleted(r"SystemFileAssociations\.tga\Shell", r"SystemFileAssociations\.dds\Shell")
        self.assertEqual(stored(IMAGE_KEY), (2, PAINT.encode("gbk") + b"\0"))
        self.assertEqual(reg_query_default(IMAGE_KEY), ("REG_EXPAND_SZ", PAINT))

        self.click_button(program, BUTTON1_ID)
        self.assertEqual(self.read_box(program), "您没有改变默认图片打开程序,不需要点此选项")
        self.assert_no_more_boxes(program)

    def test_restore_does_not_start_a_reg_exe_beside_the_program(self):
        # An editor set before (only the probed key matters), then the program started
        # from a folder that holds a reg.exe; it is also the current directory then.
        for key in (TGA_KEY, DDS_KEY):
            code, _ = wine("reg", "add", "HKEY_CLASSES_ROOT\\" + key, "/ve", "/d", "x", "/f")
            self.assertEqual(code, 0)
        program, _ = self.start("planted")
        self.click_button(program, BUTTON1_ID)
        self.assertEqual(self.read_box(program), "操作完成")
        time.sleep(2.0)  # time enough for a wrong reg.exe to leave its mark
        self.assertFalse(os.path.exists(drive_c("planted", MARKER)), "the planted reg.exe ran")
        self.wait_deleted(r"SystemFileAssociations\.tga\Shell", r"SystemFileAssociations\.dds\Shell")

    def test_cancel_shows_one_message_and_changes_nothing(self):
        before = [stored(k) for k in (TGA_KEY, IMAGE_KEY, DDS_KEY)]
        program, _ = self.start("clean")
        dialog = self.open_dialog(program)
        harness.click(child(dialog, id=2, cls="Button"))  # 取消
        wait_gone(dialog)
        self.assertEqual(self.read_box(program), "请选择一个需要指定的图片编辑器")
        self.assert_no_more_boxes(program)
        self.assertEqual([stored(k) for k in (TGA_KEY, IMAGE_KEY, DDS_KEY)], before)


if __name__ == "__main__":
    unittest.main(verbosity=2)
