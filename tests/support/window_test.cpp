#include "support/window.h"

#include <gtest/gtest.h>

namespace {

// A plain top-level window for the helpers to work on.
class TestWindow {
public:
    explicit TestWindow(DWORD style = WS_OVERLAPPEDWINDOW) {
        WNDCLASSA wc{};
        wc.lpfnWndProc = ::DefWindowProcA;
        wc.hInstance = ::GetModuleHandleA(nullptr);
        wc.lpszClassName = "WindowHelperTest";
        ::RegisterClassA(&wc);
        window_ =
            ::CreateWindowA(wc.lpszClassName, "", style, 10, 20, 200, 150, nullptr, nullptr, wc.hInstance, nullptr);
    }
    ~TestWindow() { ::DestroyWindow(window_); }
    HWND get() const { return window_; }

private:
    HWND window_;
};

TEST(WindowHelpers, TextRoundTripsDoubleByteCharacters) {
    TestWindow window;
    ::SetWindowTextA(window.get(), "情報ウィンドウ abc");
    EXPECT_EQ(WindowText(window.get()), "情報ウィンドウ abc");
    ::SetWindowTextA(window.get(), "");
    EXPECT_EQ(WindowText(window.get()), "");
}

TEST(WindowHelpers, MoveAndResizeKeepTheOtherHalf) {
    TestWindow window;
    ASSERT_NE(window.get(), nullptr);
    MoveWindowTo(window.get(), 30, 40);
    EXPECT_EQ(WindowLeft(window.get()), 30);
    EXPECT_EQ(WindowTop(window.get()), 40);
    EXPECT_EQ(WindowWidth(window.get()), 200);
    EXPECT_EQ(WindowHeight(window.get()), 150);

    ResizeWindow(window.get(), 320, 240);
    EXPECT_EQ(WindowWidth(window.get()), 320);
    EXPECT_EQ(WindowHeight(window.get()), 240);
    EXPECT_EQ(WindowLeft(window.get()), 30);
    EXPECT_EQ(WindowTop(window.get()), 40);
}

TEST(WindowHelpers, NoWindowGivesZeros) {
    EXPECT_EQ(WindowLeft(nullptr), 0);
    EXPECT_EQ(WindowWidth(nullptr), 0);
    EXPECT_EQ(WindowText(nullptr), "");
}

TEST(WindowHelpers, BandAndBorder) {
    TestWindow window(WS_POPUP);
    SetWindowBand(window.get(), HWND_TOPMOST);
    EXPECT_TRUE(::GetWindowLongA(window.get(), GWL_EXSTYLE) & WS_EX_TOPMOST);
    SetWindowBand(window.get(), HWND_NOTOPMOST);
    EXPECT_FALSE(::GetWindowLongA(window.get(), GWL_EXSTYLE) & WS_EX_TOPMOST);

    EXPECT_FALSE(::GetWindowLongA(window.get(), GWL_STYLE) & WS_BORDER);
    AddBorder(window.get());
    EXPECT_TRUE(::GetWindowLongA(window.get(), GWL_STYLE) & WS_BORDER);
}

TEST(MenuCheck, ToggleTwiceLeavesTheItemAsItWas) {
    HMENU menu = ::CreatePopupMenu();
    ::AppendMenuA(menu, MF_STRING, 40007, "情報ウィンドウ(&I)");
    ::AppendMenuA(menu, MF_STRING | MF_CHECKED, 40009, "checked");
    EXPECT_FALSE(IsMenuItemChecked(menu, 40007));
    ToggleMenuCheck(menu, 40007);
    EXPECT_TRUE(IsMenuItemChecked(menu, 40007));
    ToggleMenuCheck(menu, 40007);
    EXPECT_FALSE(IsMenuItemChecked(menu, 40007));

    ToggleMenuCheck(menu, 40009);
    ToggleMenuCheck(menu, 40009);
    EXPECT_TRUE(IsMenuItemChecked(menu, 40009));
    EXPECT_FALSE(IsMenuItemChecked(menu, 12345)) << "a missing item is not checked";
    ::DestroyMenu(menu);
}

TEST(ToolTips, AddsToolsAndColours) {
    TestWindow parent;
    HWND button = ::CreateWindowA("BUTTON", "ok", WS_CHILD | WS_VISIBLE, 0, 0, 50, 20, parent.get(), nullptr,
                                  ::GetModuleHandleA(nullptr), nullptr);
    ToolTips tips(parent.get(), ::GetModuleHandleA(nullptr), TTS_ALWAYSTIP | TTS_BALLOON);
    ASSERT_NE(tips.Window(), nullptr);
    static const char kTip[] = "押すと取得します";
    tips.AddTool(button, kTip);
    tips.AddTool(parent.get(), kTip);
    EXPECT_EQ(::SendMessageA(tips.Window(), TTM_GETTOOLCOUNT, 0, 0), 2);
    tips.SetBackgroundColour(RGB(89, 120, 172));
    tips.SetTextColour(RGB(255, 255, 255));
    EXPECT_EQ(static_cast<COLORREF>(::SendMessageA(tips.Window(), TTM_GETTIPBKCOLOR, 0, 0)), RGB(89, 120, 172));
    EXPECT_EQ(static_cast<COLORREF>(::SendMessageA(tips.Window(), TTM_GETTIPTEXTCOLOR, 0, 0)), RGB(255, 255, 255));
    EXPECT_EQ(::SendMessageA(tips.Window(), TTM_GETMAXTIPWIDTH, 0, 0), ::GetSystemMetrics(SM_CXSCREEN));
}

}  // namespace
