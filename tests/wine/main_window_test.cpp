// The real main window inside this process, under Wine: what another process cannot
// see of it (its window classes, the fonts it holds) and what becomes of 按钮2's font
// when the window goes away. Its looks and its keyboard are tested end to end
// (test_main_window.py).
#include <windows.h>

#include <gtest/gtest.h>

#include "app/win32/main_window.h"

namespace {

// The controls in z-order from the top: 标签2, 标签1, 按钮1, 按钮2.
HWND ChildAt(HWND window, int index) {
  HWND child = GetWindow(window, GW_CHILD);
  for (int i = 0; child && i < index; ++i) child = GetWindow(child, GW_HWNDNEXT);
  return child;
}

HFONT FontOf(HWND window) { return reinterpret_cast<HFONT>(SendMessageA(window, WM_GETFONT, 0, 0)); }

class MainWindowInProcess : public ::testing::Test {
 protected:
  void SetUp() override {
    window_ = reinterpret_cast<HWND>(win32::CreateMainWindow());
    ASSERT_NE(window_, nullptr);
  }
  void TearDown() override {
    if (IsWindow(window_)) DestroyWindow(window_);
  }
  HWND window_ = nullptr;
};

TEST_F(MainWindowInProcess, WindowAndLabelClassesEraseNothingAndShowTheArrow) {
  HWND label = ChildAt(window_, 0);
  ASSERT_NE(label, nullptr);
  for (HWND window : {window_, label}) {
    SCOPED_TRACE(window == label ? "label class" : "window class");
    EXPECT_EQ(GetClassLongPtrA(window, GCL_STYLE), static_cast<ULONG_PTR>(CS_HREDRAW | CS_VREDRAW | CS_DBLCLKS));
    EXPECT_EQ(reinterpret_cast<HGDIOBJ>(GetClassLongPtrA(window, GCLP_HBRBACKGROUND)), GetStockObject(NULL_BRUSH));
    EXPECT_EQ(reinterpret_cast<HCURSOR>(GetClassLongPtrA(window, GCLP_HCURSOR)),
              LoadCursorA(nullptr, reinterpret_cast<LPCSTR>(IDC_ARROW)));
    EXPECT_EQ(GetClassLongPtrA(window, GCLP_HICON), 0u);
  }
}

TEST_F(MainWindowInProcess, Button1UsesTheStockFontButton2ItsOwn) {
  HGDIOBJ stock = GetStockObject(DEFAULT_GUI_FONT);
  EXPECT_EQ(FontOf(ChildAt(window_, 2)), stock);

  HFONT own = FontOf(ChildAt(window_, 3));
  ASSERT_NE(own, nullptr);
  ASSERT_NE(own, stock);
  LOGFONTA font = {};
  ASSERT_EQ(GetObjectA(own, sizeof font, &font), static_cast<int>(sizeof font));
  EXPECT_EQ(font.lfHeight, -15);
  EXPECT_EQ(font.lfWidth, 0);
  EXPECT_EQ(font.lfEscapement, 0);
  EXPECT_EQ(font.lfOrientation, 0);
  EXPECT_EQ(font.lfWeight, 400);
  EXPECT_EQ(font.lfItalic, 0);
  EXPECT_EQ(font.lfUnderline, 0);
  EXPECT_EQ(font.lfStrikeOut, 0);
  // The stored 134, 3, 2, 1 and 34 are never used.
  EXPECT_EQ(font.lfCharSet, DEFAULT_CHARSET);
  EXPECT_EQ(font.lfOutPrecision, OUT_DEFAULT_PRECIS);
  EXPECT_EQ(font.lfClipPrecision, CLIP_DEFAULT_PRECIS);
  EXPECT_EQ(font.lfQuality, PROOF_QUALITY);
  EXPECT_EQ(font.lfPitchAndFamily, DEFAULT_PITCH | FF_DONTCARE);
  EXPECT_STREQ(font.lfFaceName, "微软雅黑");
}

TEST_F(MainWindowInProcess, Button2sFontIsDeletedWithTheWindowAndTheStockFontIsNot) {
  HFONT own = FontOf(ChildAt(window_, 3));
  ASSERT_EQ(GetObjectType(own), static_cast<DWORD>(OBJ_FONT));
  DestroyWindow(window_);
  EXPECT_EQ(GetObjectType(own), 0u);
  EXPECT_EQ(GetObjectType(GetStockObject(DEFAULT_GUI_FONT)), static_cast<DWORD>(OBJ_FONT));
}

}  // namespace
