// A Form1 wired to fakes, with helpers to load it and read the settings file back.
#pragma once

#include <gtest/gtest.h>

#include "presenter/form1.h"
#include "fakes/fakes.h"
#include "vocabulary/ini_format.h"

namespace kivrel {

// A total of `tenths` tenths of a minute, as whole minutes and ticks make it.
inline MinuteTotal TenthsTotal(int64_t tenths) {
    MinuteTotal total = MinuteTotal::FromWholeMinutes(tenths / 10);
    for (int64_t i = 0; i < tenths % 10; ++i)
        total.AddTick();
    return total;
}

class Form1Test : public ::testing::Test {
  protected:
    fakes::FakePlatform fp;
    Form1 form{fp.platform};

    // Starts the program on a timer.ini holding `ini`.
    void Load(const std::string& ini = "") {
        fp.PutIni(ini);
        ASSERT_TRUE(form.Form_Load());
    }
    int32_t Stored(const std::string& section) { return IniReadInt(fp.Ini(), section, "Value"); }
    std::string Text(Ctl c) const { return fp.window.Text(c); }
    void Ticks(int n) {
        for (int i = 0; i < n; ++i)
            form.Timer1_Timer();
    }
};

}  // namespace kivrel
