// What one settings access costs on disk: SetINI (read the file, change one value, durable
// replace) and GetINI (read the file, find one value), on a timer.ini with every section the
// program uses, in a scratch directory.
#include <benchmark/benchmark.h>
#include <stdlib.h>

#include <cstdint>
#include <filesystem>
#include <stdexcept>
#include <string>
#include <system_error>

#include "platform/linux/durable_file.h"
#include "services/settings_store.h"

namespace {

class ScratchSettings {
  public:
    ScratchSettings() {
        std::string pattern =
            (std::filesystem::temp_directory_path() / "kivrel-bench-XXXXXX").string();
        if (::mkdtemp(pattern.data()) == nullptr) {
            throw std::runtime_error("cannot create a scratch directory");
        }
        dir_ = pattern;
        path_ = dir_ + "/timer.ini";
        std::string text = "[s]\r\nValue=40\r\n[r]\r\nValue=15\r\n";
        for (int month = 1; month <= 12; ++month) {
            text +=
                "[T" + std::to_string(month) + "]\r\nValue=" + std::to_string(month * 317) + "\r\n";
        }
        text += "[Run]\r\nValue=1\r\n[Exit]\r\nValue=0\r\n";
        if (!files_.ReplaceAll(path_, text)) {
            throw std::runtime_error("cannot write " + path_);
        }
    }
    ~ScratchSettings() {
        std::error_code ignored;
        std::filesystem::remove_all(dir_, ignored);
    }

    kivrel::LinuxFileSystem& files() { return files_; }
    const std::string& path() const { return path_; }

  private:
    kivrel::LinuxFileSystem files_;
    std::string dir_;
    std::string path_;
};

void BM_SetINI(benchmark::State& state) {
    ScratchSettings settings;
    int32_t minutes = 1000;
    kivrel::SettingsStore store(settings.files());
    store.Open(settings.path());
    for (auto _ : state) {
        const bool ok = store.Write([&](kivrel::Settings& s) { s.SetMonthMinutes(5, ++minutes); });
        if (!ok) {
            state.SkipWithError("replace failed");
            break;
        }
    }
}
BENCHMARK(BM_SetINI)->Unit(benchmark::kMicrosecond);

void BM_GetINI(benchmark::State& state) {
    ScratchSettings settings;
    kivrel::SettingsStore store(settings.files());
    store.Open(settings.path());
    for (auto _ : state)
        benchmark::DoNotOptimize(store.Read().Month(12).minutes);
}
BENCHMARK(BM_GetINI)->Unit(benchmark::kMicrosecond);

}  // namespace

BENCHMARK_MAIN();
