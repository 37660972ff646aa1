#include <gtest/gtest.h>

#include <functional>

#include "presenter/drawing.h"
#include "presenter/form1.h"
#include "fakes/fakes.h"
#include "platform/win32/canvas.h"
#include "platform/win32/dialogs.h"
#include "platform/win32/text.h"
#include "platform/win32/window.h"
#include "vocabulary/ini_format.h"

#include "win32/test_support.h"

namespace kivrel {
namespace {

// ---------------------------------------------------------------- the GDI canvas

// A 32-bit top-down bitmap to draw on and read back.
class Bitmap {
  public:
    Bitmap(int w, int h) : w_(w), h_(h) {
        BITMAPINFO info{};
        info.bmiHeader.biSize = sizeof(BITMAPINFOHEADER);
        info.bmiHeader.biWidth = w;
        info.bmiHeader.biHeight = -h;
        info.bmiHeader.biPlanes = 1;
        info.bmiHeader.biBitCount = 32;
        info.bmiHeader.biCompression = BI_RGB;
        dc_ = CreateCompatibleDC(nullptr);
        bitmap_ = CreateDIBSection(dc_, &info, DIB_RGB_COLORS, reinterpret_cast<void**>(&bits_),
                                   nullptr, 0);
        old_ = SelectObject(dc_, bitmap_);
        for (int i = 0; i < w * h; ++i)
            bits_[i] = 0x00010203;
    }
    ~Bitmap() {
        SelectObject(dc_, old_);
        DeleteObject(bitmap_);
        DeleteDC(dc_);
    }
    HDC Dc() const { return dc_; }
    Rgb At(int x, int y) const {
        GdiFlush();
        const uint32_t p = bits_[y * w_ + x];
        return Rgb{static_cast<uint8_t>(p >> 16), static_cast<uint8_t>(p >> 8),
                   static_cast<uint8_t>(p)};
    }

  private:
    int w_, h_;
    HDC dc_;
    HBITMAP bitmap_;
    HGDIOBJ old_;
    uint32_t* bits_ = nullptr;
};

std::string Show(Rgb c) {
    return std::to_string(c.r) + "," + std::to_string(c.g) + "," + std::to_string(c.b);
}

TEST(Canvas, TheGradientCoversEveryRowWithTheDesignedColours) {
    Bitmap bitmap(539, 351);
    Win32Canvas canvas(bitmap.Dc(), 539, 351);
    PaintGradient(canvas);
    EXPECT_EQ(Show(bitmap.At(0, 0)), "255,240,220");
    EXPECT_EQ(Show(bitmap.At(538, 0)), "255,240,220");
    EXPECT_EQ(Show(bitmap.At(0, 350)), "0,240,220");
    EXPECT_EQ(Show(bitmap.At(538, 350)), "0,240,220");
    EXPECT_EQ(Show(bitmap.At(270, 175)), "128,240,220");
    for (int y = 0; y < 351; ++y)
        ASSERT_EQ(bitmap.At(538, y).g, 240) << "row " << y << " not painted";
}

TEST(Canvas, LampsAreFilledDiscsWithoutAnOutline) {
    Bitmap bitmap(539, 351);
    Win32Canvas canvas(bitmap.Dc(), 539, 351);
    PaintGradient(canvas);
    PaintLamps(canvas, -1);
    const Rgb green{50, 205, 50};
    EXPECT_EQ(Show(bitmap.At(100, 50)), Show(green));
    EXPECT_EQ(Show(bitmap.At(439, 50)), Show(green));
    // The rim is the fill colour too: no pen was drawn.
    EXPECT_EQ(Show(bitmap.At(61, 50)), Show(green));
    EXPECT_EQ(Show(bitmap.At(139, 50)), Show(green));
    EXPECT_EQ(Show(bitmap.At(100, 11)), Show(green));
    // Outside the radius the gradient shows.
    EXPECT_EQ(bitmap.At(100, 92).g, 240);
    EXPECT_EQ(bitmap.At(58, 50).g, 240);
    EXPECT_EQ(bitmap.At(13, 13).g, 240) << "the disc is round, not a box";

    PaintLamps(canvas, 1);  // anything but -1 is "not connected"
    EXPECT_EQ(Show(bitmap.At(100, 50)), "255,0,0");
    EXPECT_EQ(Show(bitmap.At(439, 50)), "255,0,0");
}

// ---------------------------------------------------------------- the window

class Window : public ::testing::Test {
  protected:
    void SetUp() override {
        if (!test::HaveDisplay())
            GTEST_SKIP() << "no display";
        ASSERT_TRUE(window.Create());
    }
    RECT ClientRectOf(HWND control) const {
        RECT r{};
        GetWindowRect(control, &r);
        MapWindowPoints(nullptr, window.Handle(), reinterpret_cast<POINT*>(&r), 2);
        return r;
    }
    std::wstring TextOf(HWND h) const {
        wchar_t text[256] = {};
        GetWindowTextW(h, text, 256);
        return text;
    }
    void Pump() {
        MSG m;
        while (PeekMessageW(&m, nullptr, 0, 0, PM_REMOVE)) {
            TranslateMessage(&m);
            DispatchMessageW(&m);
        }
    }

    Win32Window window{GetModuleHandleW(nullptr)};
};

// The end of a session through the window's messages: the question only saves; a cancelled end
// leaves the program running and counting; the real end unloads, saving once.
TEST_F(Window, TheSessionEndUnloadsOnlyWhenItReallyComes) {
    fakes::FakePlatform fp;
    Platform platform{window,   fp.dialogs, fp.tray,     fp.connection, fp.clock,
                      fp.files, fp.app,     fp.instance, fp.autostart,  fp.hangUp};
    Form1 form(platform);
    window.Attach(form);
    fp.PutIni("[T5]\r\nValue=7\r\n");
    ASSERT_TRUE(form.Form_Load());
    fp.connection.online = true;
    for (int i = 0; i < 6; ++i)
        form.Timer1_Timer();  // 7.6 minutes
    const int before = fp.files.writes;
    EXPECT_EQ(SendMessageW(window.Handle(), WM_QUERYENDSESSION, 0, 0), TRUE);
    EXPECT_EQ(fp.files.writes, before + 1);
    EXPECT_EQ(IniReadInt(fp.Ini(), "T5", "Value"), 8);
    SendMessageW(window.Handle(), WM_ENDSESSION, FALSE, 0);
    EXPECT_FALSE(form.Unloaded());
    HWND h = window.Handle();
    ASSERT_TRUE(IsWindow(h));
    form.Timer1_Timer();
    EXPECT_EQ(fp.files.writes, before + 2) << "still counting";

    SendMessageW(h, WM_QUERYENDSESSION, 0, 0);
    SendMessageW(h, WM_ENDSESSION, TRUE, 0);
    EXPECT_TRUE(form.Unloaded());
    EXPECT_FALSE(IsWindow(h));
    EXPECT_EQ(fp.files.writes, before + 4);  // the question's save and the unload's
    MSG quit;
    PeekMessageW(&quit, nullptr, WM_QUIT, WM_QUIT, PM_REMOVE);
}

TEST_F(Window, IsABorderlessHiddenToolWindowOfTheDesignedSize) {
    HWND h = window.Handle();
    EXPECT_FALSE(IsWindowVisible(h));
    RECT client{}, outer{};
    GetClientRect(h, &client);
    GetWindowRect(h, &outer);
    EXPECT_EQ(client.right, 539);
    EXPECT_EQ(client.bottom, 351);
    EXPECT_EQ(outer.right - outer.left, 539) << "no frame around the client area";
    EXPECT_EQ(outer.bottom - outer.top, 351);
    EXPECT_EQ(GetWindowLongPtrW(h, GWL_STYLE) & WS_CAPTION, 0);
    EXPECT_NE(GetWindowLongPtrW(h, GWL_EXSTYLE) & WS_EX_TOOLWINDOW, 0) << "no taskbar button";
    EXPECT_EQ(TextOf(h), Widen(kForm1.caption));
}

TEST_F(Window, EveryControlStandsWhereTheTableSays) {
    for (const ControlSpec& spec : kControls) {
        HWND control = window.Control(spec.id);
        ASSERT_NE(control, nullptr) << spec.name;
        const RECT r = ClientRectOf(control);
        EXPECT_EQ(r.left, TwipsToPixels(spec.left)) << spec.name;
        EXPECT_EQ(r.top, TwipsToPixels(spec.top)) << spec.name;
        EXPECT_EQ(r.right - r.left, TwipsToPixels(spec.width)) << spec.name;
        EXPECT_EQ(r.bottom - r.top, TwipsToPixels(spec.height)) << spec.name;
        if (spec.kind != ControlKind::ComboBox) {
            EXPECT_EQ(TextOf(control), Widen(spec.text)) << spec.name;
        }
    }
    EXPECT_EQ(window.ControlWidth(Ctl::Label6), 191);
}

TEST_F(Window, TabMovesThroughTheControlsInTheDesignedOrder) {
    HWND h = window.Handle();
    HWND at = window.Control(kTabOrder.front());
    for (size_t i = 1; i <= kTabOrder.size(); ++i) {
        at = GetNextDlgTabItem(h, at, FALSE);
        EXPECT_EQ(at, window.Control(kTabOrder[i % kTabOrder.size()])) << "step " << i;
    }
}

TEST_F(Window, NamedFontIsTwelvePointSongTiInGb2312) {
    LOGFONTW font{};
    HFONT label1 =
        reinterpret_cast<HFONT>(SendMessageW(window.Control(Ctl::Label1), WM_GETFONT, 0, 0));
    ASSERT_NE(label1, nullptr);
    GetObjectW(label1, sizeof font, &font);
    EXPECT_EQ(font.lfCharSet, GB2312_CHARSET);
    EXPECT_EQ(std::wstring(font.lfFaceName), L"宋体");
    EXPECT_EQ(font.lfHeight, -16);  // 12 points at 96 dots per inch
    EXPECT_EQ(font.lfWeight, FW_NORMAL);
    EXPECT_FALSE(font.lfItalic || font.lfUnderline || font.lfStrikeOut);
    EXPECT_EQ(SendMessageW(window.Control(Ctl::Label3), WM_GETFONT, 0, 0),
              reinterpret_cast<LRESULT>(GetStockObject(DEFAULT_GUI_FONT)));
}

TEST_F(Window, CombosHoldTheirItemsInOrderAndClearToNoChoice) {
    HWND combo2 = window.Control(Ctl::Combo2);
    ASSERT_EQ(SendMessageW(combo2, CB_GETCOUNT, 0, 0), 13);
    wchar_t item[64] = {};
    SendMessageW(combo2, CB_GETLBTEXT, 12, reinterpret_cast<LPARAM>(item));
    EXPECT_EQ(std::wstring(item), L"预设12月份已用分钟");
    EXPECT_EQ(SendMessageW(window.Control(Ctl::Combo1), CB_GETCOUNT, 0, 0), 12);

    SendMessageW(combo2, CB_SETCURSEL, 3, 0);
    EXPECT_EQ(window.ComboIndex(Ctl::Combo2), 3);
    window.SetText(Ctl::Combo2, "");
    EXPECT_EQ(window.ComboIndex(Ctl::Combo2), -1);
    EXPECT_EQ(TextOf(combo2), L"");
}

TEST_F(Window, TrayMenuHasItsItemsAndDesignStates) {
    HMENU tray = window.PopupOf(Menu::mnuTray);
    ASSERT_EQ(GetMenuItemCount(tray), 7);
    wchar_t caption[32] = {};
    GetMenuStringW(tray, window.CommandOf(Menu::mnuTrayMinimize), caption, 32, MF_BYCOMMAND);
    EXPECT_EQ(std::wstring(caption), L"Mi&nimize");
    auto grayed = [&](Menu m) {
        return (GetMenuState(tray, window.CommandOf(m), MF_BYCOMMAND) & MF_GRAYED) != 0;
    };
    EXPECT_TRUE(grayed(Menu::mnuTrayMaximize));
    EXPECT_FALSE(grayed(Menu::mnuTrayRestore));
    EXPECT_FALSE(grayed(Menu::mnuTrayClose));
    EXPECT_NE(GetMenuState(tray, 5, MF_BYPOSITION) & MF_SEPARATOR, 0u);

    window.SetMenuEnabled(Menu::mnuTrayMaximize, true);
    window.SetMenuEnabled(Menu::mnuTrayRestore, false);
    EXPECT_FALSE(grayed(Menu::mnuTrayMaximize));
    EXPECT_TRUE(grayed(Menu::mnuTrayRestore));
}

TEST_F(Window, FirstShowingCentresAndAWantedStateWaitsForIt) {
    window.ApplyWindowState(WindowState::Maximized);
    EXPECT_FALSE(IsWindowVisible(window.Handle())) << "a state request does not show the window";
    window.ApplyWindowState(WindowState::Normal);
    window.SetVisible(true);
    RECT r{};
    GetWindowRect(window.Handle(), &r);
    EXPECT_EQ(r.left, (GetSystemMetrics(SM_CXSCREEN) - 539) / 2);
    EXPECT_EQ(r.top, (GetSystemMetrics(SM_CYSCREEN) - 351) / 2);
    EXPECT_FALSE(IsZoomed(window.Handle()));

    // Into the tray: the state alone shows nothing.
    window.ApplyWindowState(WindowState::Minimized);
    EXPECT_TRUE(IsWindowVisible(window.Handle()));
    EXPECT_FALSE(IsIconic(window.Handle()));
    window.SetVisible(false);  // Form1 hides the window itself
    EXPECT_FALSE(IsWindowVisible(window.Handle()));
    window.ApplyWindowState(WindowState::Maximized);
    window.SetVisible(true);
    EXPECT_TRUE(IsZoomed(window.Handle()));
    window.ApplyWindowState(WindowState::Normal);
    EXPECT_FALSE(IsZoomed(window.Handle()));
    GetWindowRect(window.Handle(), &r);
    EXPECT_EQ(r.left, (GetSystemMetrics(SM_CXSCREEN) - 539) / 2) << "back where it was";
}

TEST_F(Window, LabelsAreTransparentAndForgetTheirOldText) {
    window.SetVisible(true);
    UpdateWindow(window.Handle());
    Pump();
    // With no form the face is the window's background colour; a label shows it through.
    HWND label = window.Control(Ctl::Label5);
    const RECT r = ClientRectOf(label);
    window.SetText(Ctl::Label5, "12月份使用了888小时");
    Pump();
    HDC dc = GetDC(window.Handle());
    int inked = 0;
    for (int x = r.left; x < r.right; ++x)
        for (int y = r.top; y < r.bottom; ++y)
            inked += GetPixel(dc, x, y) != RGB(0, 192, 192);
    EXPECT_GT(inked, 20) << "the text is drawn";
    EXPECT_EQ(GetPixel(dc, r.right - 2, r.bottom - 2), RGB(0, 192, 192)) << "no label background";

    window.SetText(Ctl::Label5, "");
    Pump();
    inked = 0;
    for (int x = r.left; x < r.right; ++x)
        for (int y = r.top; y < r.bottom; ++y)
            inked += GetPixel(dc, x, y) != RGB(0, 192, 192);
    ReleaseDC(window.Handle(), dc);
    EXPECT_EQ(inked, 0) << "the old text is painted over";
}

// ---------------------------------------------------------------- dialogs

// Runs `act` on the dialog titled `title` once it is up, from inside its modal loop.
class DialogDriver {
  public:
    DialogDriver(std::wstring title, std::function<void(HWND)> act)
        : title_(std::move(title)), act_(std::move(act)) {
        current_ = this;
        timer_ = SetTimer(nullptr, 0, 30, &DialogDriver::Tick);
    }
    ~DialogDriver() {
        KillTimer(nullptr, timer_);
        current_ = nullptr;
    }
    bool Acted() const { return acted_; }

  private:
    static void CALLBACK Tick(HWND, UINT, UINT_PTR, DWORD) {
        DialogDriver* self = current_;
        if (self == nullptr || self->acted_)
            return;
        HWND dialog = FindWindowW(L"#32770", self->title_.c_str());
        if (dialog == nullptr || !IsWindowVisible(dialog))
            return;
        self->acted_ = true;
        self->act_(dialog);
    }
    static inline DialogDriver* current_ = nullptr;
    std::wstring title_;
    std::function<void(HWND)> act_;
    UINT_PTR timer_ = 0;
    bool acted_ = false;
};

class Dialogs : public ::testing::Test {
  protected:
    void SetUp() override {
        if (!test::HaveDisplay())
            GTEST_SKIP() << "no display";
    }
    Win32Dialogs dialogs;
};

TEST_F(Dialogs, InputBoxStartsWithTheDefaultSelectedAndReturnsWhatWasTyped) {
    std::wstring prompt;
    DWORD selStart = 1, selEnd = 0;
    DialogDriver driver(L"设置每月使用时间", [&](HWND box) {
        wchar_t text[128] = {};
        GetDlgItemTextW(box, kInputBoxPromptId, text, 128);
        prompt = text;
        SendDlgItemMessageW(box, kInputBoxEditId, EM_GETSEL, reinterpret_cast<WPARAM>(&selStart),
                            reinterpret_cast<LPARAM>(&selEnd));
        // Typing replaces the selected default.
        for (wchar_t c : std::wstring(L"三十"))
            SendMessageW(GetFocus(), WM_CHAR, c, 0);
        PostMessageW(box, WM_COMMAND, IDOK, 0);
    });
    const std::string answer =
        dialogs.InputBox("0表示包月,\r\n60表示60小时", "设置每月使用时间", "60");
    ASSERT_TRUE(driver.Acted());
    EXPECT_EQ(answer, "三十");
    EXPECT_EQ(prompt, L"0表示包月,\r\n60表示60小时");
    EXPECT_EQ(selStart, 0u);
    EXPECT_EQ(selEnd, 2u);
}

TEST_F(Dialogs, InputBoxCancelGivesAnEmptyAnswerWhateverWasTyped) {
    DialogDriver driver(L"Kivrel数据预设", [](HWND box) {
        SetDlgItemTextW(box, kInputBoxEditId, L"120");
        PostMessageW(box, WM_COMMAND, IDCANCEL, 0);
    });
    EXPECT_EQ(dialogs.InputBox("预设3月份已使用分钟数", "Kivrel数据预设", "0"), "");
    EXPECT_TRUE(driver.Acted());

    DialogDriver escape(L"Kivrel数据预设", [](HWND box) {
        (void)box;
        PostMessageW(GetFocus(), WM_KEYDOWN, VK_ESCAPE, 0);
    });
    EXPECT_EQ(dialogs.InputBox("预设3月份已使用分钟数", "Kivrel数据预设", "0"), "");
}

TEST_F(Dialogs, MessageBoxShowsItsTextAndHonoursTheDefaultButton) {
    std::wstring text;
    DialogDriver driver(L"Kivrel全清数据", [&](HWND box) {
        wchar_t buffer[128] = {};
        GetDlgItemTextW(box, 0xFFFF, buffer, 128);
        text = buffer;
        PostMessageW(GetFocus(), WM_KEYDOWN, VK_RETURN, 0);  // Enter takes the default button
    });
    const MsgAnswer answer = dialogs.MsgBox("要使1-12月份数据全部归零吗？", "Kivrel全清数据",
                                            MsgStyle{MsgButtons::YesNo, MsgIcon::None, 1});
    ASSERT_TRUE(driver.Acted());
    EXPECT_EQ(answer, MsgAnswer::No);
    EXPECT_EQ(text, L"要使1-12月份数据全部归零吗？");

    DialogDriver yes(L"Kivrel全清数据", [](HWND box) {
        (void)box;
        PostMessageW(GetFocus(), WM_KEYDOWN, VK_RETURN, 0);
    });
    EXPECT_EQ(dialogs.MsgBox("?", "Kivrel全清数据", MsgStyle{MsgButtons::YesNo, MsgIcon::None, 0}),
              MsgAnswer::Yes);
}

}  // namespace
}  // namespace kivrel
