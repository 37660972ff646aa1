// The main window and its controls as data: what every control is when the window is created.
// Any toolkit's window is built from these tables; nothing here depends on one.
#pragma once

#include <array>
#include <optional>
#include <span>
#include <string_view>

#include "ports/window_ids.h"

namespace kivrel {

enum class ControlKind { ComboBox, Button, Label };

enum class FontChoice {
    Default,  // the default user-interface font
    SongTi12  // 12-point "宋体", regular, character set GB2312; a CJK font where it is missing
};

enum class TextColour { ButtonText, WindowText };

constexpr int kTwipsPerPixel = 15;

struct ControlSpec {
    Ctl id;
    std::string_view name;
    ControlKind kind;
    std::string_view text;                         // text at creation
    int left, top, width, height;                  // twips
    std::optional<Rgb> background = std::nullopt;  // buttons: their fill colour
    bool flat = false;
    FontChoice font = FontChoice::Default;
    TextColour colour = TextColour::ButtonText;
    bool border = false;   // single-line flat border
    bool centred = false;  // text centred (else left-aligned)
    std::string_view tooltip = {};
    std::span<const std::string_view> items = {};  // combo boxes: their list
};

struct MenuSpec {
    Menu id;
    std::string_view name;
    std::string_view caption;  // "&" marks the access key; "-" is a separator
    std::optional<Menu> parent;
    bool visible;
    bool enabled;
};

struct TimerSpec {
    TimerId id;
    std::string_view name;
    int intervalMs;
    bool enabled;
    bool precise = false;  // must not drift: the accounting adds a tenth of a minute per tick
};

struct FormSpec {
    std::string_view caption;
    int clientWidth, clientHeight;  // twips
    Rgb background;
};

inline constexpr FormSpec kForm1{"☆Kivrel☆", 8085, 5265, Rgb{0, 192, 192}};

inline constexpr std::array<std::string_view, 13> kCombo2Items{
    "全清1-12月份数据",   "预设1月份已用分钟", "预设2月份已用分钟",  "预设3月份已用分钟",
    "预设4月份已用分钟",  "预设5月份已用分钟", "预设6月份已用分钟",  "预设7月份已用分钟",
    "预设8月份已用分钟",  "预设9月份已用分钟", "预设10月份已用分钟", "预设11月份已用分钟",
    "预设12月份已用分钟",
};

inline constexpr std::array<std::string_view, 12> kCombo1Items{
    "1", "2", "3", "4", "5", "6", "7", "8", "9", "10", "11", "12",
};

// Controls in order of creation.
inline constexpr std::array<ControlSpec, 16> kControls{{
    {.id = Ctl::Combo2,
     .name = "Combo2",
     .kind = ControlKind::ComboBox,
     .text = "",
     .left = 3095,
     .top = 1957,
     .width = 1895,
     .height = 300,
     .items = kCombo2Items},
    {.id = Ctl::Command5,
     .name = "Command5",
     .kind = ControlKind::Button,
     .text = "开机就运行",
     .left = 3095,
     .top = 3754,
     .width = 1895,
     .height = 375,
     .background = Rgb{255, 192, 192}},
    {.id = Ctl::Command3,
     .name = "Command3",
     .kind = ControlKind::Button,
     .text = "设置每月小时数",
     .left = 3095,
     .top = 3286,
     .width = 1895,
     .height = 375,
     .background = Rgb{192, 255, 192}},
    {.id = Ctl::Command1,
     .name = "Command1",
     .kind = ControlKind::Button,
     .text = "退出计时",
     .left = 3095,
     .top = 4693,
     .width = 1895,
     .height = 375,
     .background = Rgb{192, 192, 255},
     .flat = true},
    {.id = Ctl::Command2,
     .name = "Command2",
     .kind = ControlKind::Button,
     .text = "隐藏窗口",
     .left = 3095,
     .top = 4222,
     .width = 1895,
     .height = 375,
     .background = Rgb{255, 255, 255},
     .flat = true},
    {.id = Ctl::command4,
     .name = "command4",
     .kind = ControlKind::Button,
     .text = "设置每月结算日",
     .left = 3095,
     .top = 2818,
     .width = 1895,
     .height = 375,
     .background = Rgb{255, 255, 192}},
    {.id = Ctl::Combo1,
     .name = "Combo1",
     .kind = ControlKind::ComboBox,
     .text = "",
     .left = 3095,
     .top = 1564,
     .width = 1895,
     .height = 300,
     .items = kCombo1Items},
    {.id = Ctl::Label1,
     .name = "Label1",
     .kind = ControlKind::Label,
     .text = "",
     .left = 2325,
     .top = 196,
     .width = 3435,
     .height = 1275,
     .font = FontChoice::SongTi12,
     .colour = TextColour::WindowText,
     .border = true,
     .centred = true},
    {.id = Ctl::Label6,
     .name = "Label6",
     .kind = ControlKind::Label,
     .text = "如何正确使用",
     .left = 120,
     .top = 4020,
     .width = 2865,
     .height = 600,
     .colour = TextColour::WindowText},
    {.id = Ctl::Label9,
     .name = "Label9",
     .kind = ControlKind::Label,
     .text = "全清与预设",
     .left = 1785,
     .top = 1995,
     .width = 1215,
     .height = 255,
     .font = FontChoice::SongTi12},
    {.id = Ctl::Label8,
     .name = "Label8",
     .kind = ControlKind::Label,
     .text = "",
     .left = 5280,
     .top = 3874,
     .width = 1995,
     .height = 255},
    {.id = Ctl::Label3,
     .name = "Label3",
     .kind = ControlKind::Label,
     .text = "",
     .left = 5265,
     .top = 3406,
     .width = 1995,
     .height = 255},
    {.id = Ctl::Label4,
     .name = "Label4",
     .kind = ControlKind::Label,
     .text = "",
     .left = 5280,
     .top = 2938,
     .width = 1995,
     .height = 255},
    {.id = Ctl::Label7,
     .name = "Label7",
     .kind = ControlKind::Label,
     .text = "",
     .left = 5265,
     .top = 4342,
     .width = 1995,
     .height = 255,
     .tooltip = "单击取消自动隐藏"},
    {.id = Ctl::Label5,
     .name = "Label5",
     .kind = ControlKind::Label,
     .text = "",
     .left = 5265,
     .top = 1609,
     .width = 1995,
     .height = 255},
    {.id = Ctl::Label2,
     .name = "Label2",
     .kind = ControlKind::Label,
     .text = "查询月份",
     .left = 2040,
     .top = 1620,
     .width = 960,
     .height = 240,
     .font = FontChoice::SongTi12,
     .colour = TextColour::WindowText},
}};

inline constexpr std::array<TimerSpec, 3> kTimers{{
    {TimerId::Timer2, "Timer2", 1000, false},
    {TimerId::Timer1, "Timer1", 6000, true, true},
    // How long a notification area may be away (a panel restarting) before the window leaves it.
    {TimerId::TrayGrace, "TrayGrace", 5000, false},
}};

// The tip of the tray icon, and the usage hint of Label6: at rest, and under the mouse.
inline constexpr const char* kTrayTip = "Kivrel正在运行，好运！";
inline constexpr const char* kHintRest = "如何正确使用";
inline constexpr const char* kHintText =
    "请在控制面板→Internet选项→连接中,将(ADSL拨号连接) ⑴设置默认值 ⑵始终拨默认连接。";

// The order in which the keyboard focus moves; Command2 has the focus first.
inline constexpr std::array<Ctl, 7> kTabOrder{
    Ctl::Command2, Ctl::Command1, Ctl::Combo1, Ctl::command4,
    Ctl::Command3, Ctl::Command5, Ctl::Combo2,
};

inline constexpr std::array<MenuSpec, 10> kMenus{{
    {Menu::mnuFile, "mnuFile", "&File", std::nullopt, false, true},
    {Menu::mnuFileExit, "mnuFileExit", "E&xit", Menu::mnuFile, true, true},
    {Menu::mnuTray, "mnuTray", "Popup", std::nullopt, false, true},
    {Menu::mnuTrayRestore, "mnuTrayRestore", "&Restore", Menu::mnuTray, true, true},
    {Menu::mnuTrayMove, "mnuTrayMove", "&Move", Menu::mnuTray, true, true},
    {Menu::mnuTraySize, "mnuTraySize", "&Size", Menu::mnuTray, true, true},
    {Menu::mnuTrayMinimize, "mnuTrayMinimize", "Mi&nimize", Menu::mnuTray, true, true},
    {Menu::mnuTrayMaximize, "mnuTrayMaximize", "Ma&ximize", Menu::mnuTray, true, false},
    {Menu::mnuTraySep, "mnuTraySep", "-", Menu::mnuTray, true, true},
    {Menu::mnuTrayClose, "mnuTrayClose", "&Close", Menu::mnuTray, true, true},
}};

// Twips to pixels at 15 twips a pixel, to the nearest pixel.
constexpr int TwipsToPixels(int twips) {
    return (2 * twips + kTwipsPerPixel) / (2 * kTwipsPerPixel);
}

const ControlSpec& ControlSpecOf(Ctl id);
const MenuSpec& MenuSpecOf(Menu id);

}  // namespace kivrel
