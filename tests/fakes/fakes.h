// Fakes of every port, for driving Form1 without a toolkit, a display or the user's files.
#pragma once

#include <algorithm>
#include <deque>
#include <functional>
#include <map>
#include <optional>
#include <set>
#include <stdexcept>
#include <string>
#include <vector>

#include "ports/ports.h"

namespace kivrel::fakes {

// A journal shared by the fakes, so tests can check the order of what happened.
struct Journal {
    std::vector<std::string> entries;
    void Add(std::string entry) { entries.push_back(std::move(entry)); }
    int Count(const std::string& entry) const {
        int n = 0;
        for (const auto& e : entries)
            n += e == entry;
        return n;
    }
    // Index of the first entry equal to `entry`, -1 when absent.
    int IndexOf(const std::string& entry) const {
        for (size_t i = 0; i < entries.size(); ++i)
            if (entries[i] == entry)
                return static_cast<int>(i);
        return -1;
    }
};

class FakeWindow : public IWindow {
  public:
    explicit FakeWindow(Journal& journal) : journal_(journal) {}

    std::map<Ctl, std::string> texts;
    std::map<Menu, bool> menuEnabled;
    std::map<TimerId, bool> timerEnabled{
        {TimerId::Timer1, true}, {TimerId::Timer2, false}, {TimerId::TrayGrace, false}};
    std::vector<WindowState> appliedStates;
    std::vector<std::string> menuOrder;  // names of menu items in the order they were set
    bool visible = false;
    int showCount = 0;
    int activateCount = 0;
    int repaintCount = 0;
    bool destroyed = false;
    bool taskbarFallback = false;
    std::optional<Ctl> focus;
    std::vector<Menu> popups;
    std::vector<SysCommand> systemCommands;
    std::map<Ctl, int> comboIndex;
    double label6Width = 191;
    WindowAbilities abilities;
    std::function<void(Menu)> onPopup;  // what the user chooses in a popped-up menu

    std::string Text(Ctl c) const {
        auto it = texts.find(c);
        return it == texts.end() ? std::string() : it->second;
    }

    void SetText(Ctl control, const std::string& text) override { texts[control] = text; }
    void SetMenuEnabled(Menu item, bool enabled) override {
        menuEnabled[item] = enabled;
        menuOrder.emplace_back(MenuName(item));
    }
    void SetTimerEnabled(TimerId timer, bool enabled) override { timerEnabled[timer] = enabled; }
    void ApplyWindowState(WindowState state) override {
        appliedStates.push_back(state);
        journal_.Add("window.state " + std::to_string(static_cast<int>(state)));
    }
    void SetVisible(bool v) override {
        visible = v;
        if (v)
            ++showCount;
        journal_.Add(v ? "window.show" : "window.hide");
    }
    void Activate() override { ++activateCount; }
    void SetFocus(Ctl control) override { focus = control; }
    int ComboIndex(Ctl combo) override {
        auto it = comboIndex.find(combo);
        return it == comboIndex.end() ? -1 : it->second;
    }
    double ControlWidth(Ctl) override { return label6Width; }
    void Repaint() override { ++repaintCount; }
    void PopupMenu(Menu menu) override {
        popups.push_back(menu);
        if (onPopup)
            onPopup(menu);
    }
    void SystemCommand(SysCommand command) override { systemCommands.push_back(command); }
    WindowAbilities Abilities() override { return abilities; }
    void SetTaskbarFallback(bool on) override { taskbarFallback = on; }
    void Destroy() override {
        destroyed = true;
        journal_.Add("window.destroy");
    }

    static std::string MenuName(Menu m) {
        switch (m) {
            case Menu::mnuTrayRestore:
                return "Restore";
            case Menu::mnuTrayMove:
                return "Move";
            case Menu::mnuTraySize:
                return "Size";
            case Menu::mnuTrayMinimize:
                return "Minimize";
            case Menu::mnuTrayMaximize:
                return "Maximize";
            default:
                return "other";
        }
    }

  private:
    Journal& journal_;
};

// A canvas that keeps every pixel, so a test can read rows and lamp colours back.
class PixelCanvas : public ICanvas {
  public:
    PixelCanvas(int width, int height) : w_(width), h_(height), pixels_(width * height) {}
    int Width() const override { return w_; }
    int Height() const override { return h_; }
    void FillBox(int x1, int y1, int x2, int y2, Rgb colour) override {
        ++boxes;
        for (int y = std::max(0, std::min(y1, y2)); y <= std::min(h_ - 1, std::max(y1, y2)); ++y)
            for (int x = std::max(0, std::min(x1, x2)); x <= std::min(w_ - 1, std::max(x1, x2));
                 ++x)
                pixels_[y * w_ + x] = colour;
    }
    void FillCircle(double cx, double cy, double r, Rgb colour) override {
        circles.push_back({cx, cy, r});
        for (int y = 0; y < h_; ++y)
            for (int x = 0; x < w_; ++x)
                if ((x - cx) * (x - cx) + (y - cy) * (y - cy) <= r * r)
                    pixels_[y * w_ + x] = colour;
    }
    Rgb At(int x, int y) const { return pixels_.at(y * w_ + x); }

    struct Circle {
        double cx, cy, r;
    };
    int boxes = 0;
    std::vector<Circle> circles;

  private:
    int w_, h_;
    std::vector<Rgb> pixels_;
};

struct ShownBox {
    std::string text, title;
    MsgStyle style;
    bool input = false;
    std::string defaultAnswer;
};

// Message and input boxes answered from a queue; every box shown is recorded.
class FakeDialogs : public IDialogs {
  public:
    explicit FakeDialogs(Journal& journal) : journal_(journal) {}
    std::vector<ShownBox> shown;
    std::deque<MsgAnswer> answers;
    std::deque<std::string> inputs;
    std::function<void()> whileOpen;  // runs while a box is open (ticks keep coming)

    MsgAnswer MsgBox(const std::string& text, const std::string& title, MsgStyle style) override {
        shown.push_back({text, title, style, false, ""});
        journal_.Add("msgbox " + title);
        if (whileOpen)
            whileOpen();
        if (answers.empty())
            return style.buttons == MsgButtons::YesNo ? MsgAnswer::No : MsgAnswer::Ok;
        MsgAnswer a = answers.front();
        answers.pop_front();
        return a;
    }
    std::string InputBox(const std::string& prompt, const std::string& title,
                         const std::string& defaultAnswer) override {
        shown.push_back({prompt, title, MsgStyle{}, true, defaultAnswer});
        journal_.Add("inputbox " + title);
        if (whileOpen)
            whileOpen();
        if (inputs.empty())
            throw std::logic_error("an input box opened with no answer queued");
        std::string a = inputs.front();
        inputs.pop_front();
        return a;
    }

  private:
    Journal& journal_;
};

class FakeTray : public ITrayIcon {
  public:
    explicit FakeTray(Journal& journal) : journal_(journal) {}
    bool available = true;
    bool present = false;
    int adds = 0;
    std::string tip;
    ITraySink* sink = nullptr;
    std::optional<Menu> menu;
    std::vector<std::pair<std::string, std::string>> notifications;

    bool Available() override { return available; }
    void Add(ITraySink& s, Menu m) override {
        sink = &s;
        menu = m;
        present = true;
        ++adds;
        journal_.Add("tray.add");
    }
    void SetTip(const std::string& t) override {
        tip = t;
        journal_.Add("tray.tip");
    }
    void Remove() override {
        present = false;
        journal_.Add("tray.remove");
    }
    void Notify(const std::string& title, const std::string& text) override {
        notifications.emplace_back(title, text);
    }
    struct Asked {
        int notice;
        std::string text;
        std::vector<NoticeAction> actions;
    };
    std::vector<Asked> asked;
    INoticeSink* noticeSink = nullptr;
    void Ask(int notice, const std::string& title, const std::string& text,
             const std::vector<NoticeAction>& actions, INoticeSink& s) override {
        asked.push_back({notice, text, actions});
        notifications.emplace_back(title, text);
        noticeSink = &s;
    }
    // The user answers the latest notification `notice`.
    void Answer(int notice, const std::string& action) {
        noticeSink->NoticeAnswered(notice, action);
    }
    // What the platform delivers when the user clicks the icon.
    bool Click(TrayEvent event) { return sink->OnTrayEvent(event); }

  private:
    Journal& journal_;
};

class FakeConnection : public IConnection {
  public:
    bool online = false;
    std::vector<std::string> routed;  // the interfaces that carry the default route
    int asked = 0;
    bool Connected() override {
        ++asked;
        return online;
    }
    std::vector<std::string> RoutedLinks() override { return routed; }
    NetworkList networks;  // the system's network service's answer
    int networksAsked = 0;
    NetworkList ActiveNetworks() override {
        ++networksAsked;
        return networks;
    }
    std::map<std::string, ByteCounters> bytes;  // the interfaces whose counters the system tells
    std::vector<std::string> bytesAsked;
    std::optional<ByteCounters> LinkBytes(const std::string& link) override {
        bytesAsked.push_back(link);
        const auto found = bytes.find(link);
        return found == bytes.end() ? std::nullopt : std::optional<ByteCounters>(found->second);
    }
};

class FakeHangUp : public IHangUp {
  public:
    bool possible = true;
    HangUpResult result{true, ""};
    std::vector<std::string> ended;  // the links ended, in order
    std::vector<std::string> lastCommand;
    bool CanHangUp(const std::string&, const std::vector<std::string>&) override {
        return possible;
    }
    HangUpResult HangUp(const std::string& link, const std::vector<std::string>& command) override {
        ended.push_back(link);
        lastCommand = command;
        return result;
    }
};

class FakeClock : public IClock {
  public:
    LocalDate today{2026, 5, 15};
    int secondOfDay = 12 * 3600;
    int offsetMinutes = 480;
    // Seconds past the day's end fall on the days after it.
    LocalTime Now() override {
        const int second = secondOfDay % 86400;
        return LocalTime{DateOfDayNumber(DayNumber(today) + secondOfDay / 86400), second / 3600,
                         second / 60 % 60, second % 60, offsetMinutes};
    }
    // A zone with changes of its offset: from each UTC second on, the offset given; before the
    // first, offsetMinutes.
    std::map<int64_t, int> changes;
    int OffsetAt(int64_t utcSeconds) override {
        const auto after = changes.upper_bound(utcSeconds);
        return after == changes.begin() ? offsetMinutes : std::prev(after)->second;
    }
};

// An in-memory directory of files, with faults to inject.
class FakeFiles : public IFileSystem {
  public:
    explicit FakeFiles(Journal& journal) : journal_(journal) {}
    std::map<std::string, std::string> files;
    std::set<std::string> unreadable;
    bool failWrites = false;
    int writes = 0;
    int appends = 0;
    int reads = 0;                              // whole-file reads
    int rangeReads = 0;                         // reads of a part
    std::map<std::string, uint64_t> bytesRead;  // by the reads of a part
    int staleRemovals = 0;

    std::set<std::string> readOnly;  // files this user may not change
    std::set<std::string> dirs;      // directories made
    bool failDirectories = false;

    bool Exists(const std::string& path) override { return files.count(path) != 0; }
    bool Writable(const std::string& path) override {
        return files.count(path) != 0 && readOnly.count(path) == 0;
    }
    bool MakeDirectories(const std::string& path) override {
        if (failDirectories)
            return false;
        dirs.insert(path);
        journal_.Add("file.mkdir");
        return true;
    }
    std::optional<std::string> ReadAll(const std::string& path) override {
        ++reads;
        if (unreadable.count(path) || !files.count(path))
            return std::nullopt;
        return files[path];
    }
    std::optional<uint64_t> FileSize(const std::string& path) override {
        if (unreadable.count(path) || !files.count(path))
            return std::nullopt;
        return files[path].size();
    }
    std::optional<std::string> ReadRange(const std::string& path, uint64_t offset,
                                         size_t length) override {
        ++rangeReads;
        if (unreadable.count(path) || !files.count(path))
            return std::nullopt;
        const std::string& text = files[path];
        if (offset > text.size())
            return std::string();
        bytesRead[path] += std::min<uint64_t>(length, text.size() - offset);
        return text.substr(static_cast<size_t>(offset), length);
    }
    bool CutTo(const std::string& path, uint64_t size) override {
        if (failWrites || readOnly.count(path) || !files.count(path) || files[path].size() <= size)
            return false;
        files[path].resize(static_cast<size_t>(size));
        journal_.Add("file.cut");
        return true;
    }
    bool ReplaceAll(const std::string& path, const std::string& bytes) override {
        if (failWrites || readOnly.count(path))
            return false;
        ++writes;
        files[path] = bytes;
        journal_.Add("file.write");
        return true;
    }
    bool Append(const std::string& path, const std::string& bytes) override {
        if (failWrites || readOnly.count(path))
            return false;
        ++appends;
        files[path] += bytes;
        journal_.Add("file.append");
        return true;
    }
    void RemoveStaleTemporaries(const std::string&) override {
        ++staleRemovals;
        journal_.Add("file.cleanup");
    }
    // Another name for a file: a link, or another path to it.
    std::map<std::string, std::string> aliases;
    std::string failureReason = "Read-only file system";
    bool SameFile(const std::string& a, const std::string& b) override {
        const auto file = [this](const std::string& path) {
            return aliases.count(path) ? aliases.at(path) : path;
        };
        return files.count(file(a)) != 0 && file(a) == file(b);
    }
    std::string FailureReason() override { return failureReason; }

  private:
    Journal& journal_;
};

class FakeAppInfo : public IAppInfo {
  public:
    std::string dir = "/opt/kivrel";
    int revision = 71;
    std::string userDir = "/home/u/.local/share/kivrel";
    std::string ExeDir() override { return dir; }
    std::string UserDataDir() override { return userDir; }
    std::string PathSeparator() override { return "/"; }
    int Revision() override { return revision; }
};

class FakeOpener : public IOpener {
  public:
    std::vector<std::string> opened;
    bool fail = false;
    bool Open(const std::string& path) override {
        opened.push_back(path);
        return !fail;
    }
};

class FakeInstance : public IInstanceGuard {
  public:
    explicit FakeInstance(Journal& journal) : journal_(journal) {}
    bool otherRunning = false;
    bool AnotherInstanceRunning() override {
        journal_.Add("instance.check");
        return otherRunning;
    }

  private:
    Journal& journal_;
};

class FakeAutostart : public IAutostart {
  public:
    bool entered = false;
    std::string enteredDir;
    bool fail = false;
    int calls = 0;
    bool Enter(const std::string& exeDir, std::string& why) override {
        ++calls;
        if (fail) {
            why = "autostart folder is not writable";
            return false;
        }
        entered = true;
        enteredDir = exeDir;
        return true;
    }
    bool Remove(std::string& why) override {
        ++calls;
        if (fail) {
            why = "autostart folder is not writable";
            return false;
        }
        entered = false;
        return true;
    }
};

// All the fakes wired into one Platform.
struct FakePlatform {
    Journal journal;
    FakeWindow window{journal};
    FakeDialogs dialogs{journal};
    FakeTray tray{journal};
    FakeConnection connection;
    FakeClock clock;
    FakeFiles files{journal};
    FakeAppInfo app;
    FakeInstance instance{journal};
    FakeAutostart autostart;
    FakeHangUp hangUp;
    Platform platform{window, dialogs, tray,     connection, clock,
                      files,  app,     instance, autostart,  hangUp};

    std::string IniPath() const { return app.dir + "/timer.ini"; }
    void PutIni(const std::string& text) { files.files[IniPath()] = text; }
    std::string Ini() { return files.files[IniPath()]; }
};

}  // namespace kivrel::fakes
