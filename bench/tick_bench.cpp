// One online tick of the accounting clock end to end, on disk: the connection probe, the month's
// total and Exit saved through the durable replace, the status text rebuilt. Beside it, a bare
// durable replace of the same bytes, so the tick's own cost shows as the ratio of the two.
#include <benchmark/benchmark.h>

#include <cstdlib>
#include <filesystem>
#include <string>

#include "presenter/form1.h"
#include "fakes/fakes.h"
#include "platform/linux/connection.h"
#include "platform/linux/durable_file.h"

namespace {

namespace fs = std::filesystem;
using namespace kivrel;

// The real probe is asked, as on every tick, but the tick is always counted as online so that
// every iteration saves.
class ProbedOnline : public IConnection {
  public:
    bool Connected() override {
        benchmark::DoNotOptimize(probe_.Connected());
        return true;
    }
    std::vector<std::string> RoutedLinks() override { return probe_.RoutedLinks(); }
    NetworkList ActiveNetworks() override { return probe_.ActiveNetworks(); }
    std::optional<ByteCounters> LinkBytes(const std::string& link) override {
        return probe_.LinkBytes(link);
    }

  private:
    LinuxConnection probe_;
};

std::string AllSections() {
    std::string text = "[s]\r\nValue=60\r\n[r]\r\nValue=20\r\n";
    for (int n = 1; n <= 12; ++n)
        text += "[T" + std::to_string(n) + "]\r\nValue=1234\r\n";
    return text + "[Run]\r\nValue=1\r\n[Exit]\r\nValue=0\r\n";
}

struct TempDir {
    fs::path path;
    TempDir() {
        std::string pattern = (fs::temp_directory_path() / "kivrel-bench-XXXXXX").string();
        path = mkdtemp(pattern.data());
    }
    ~TempDir() { fs::remove_all(path); }
};

void BM_OnlineTick(benchmark::State& state) {
    TempDir dir;
    fakes::FakePlatform fp;
    LinuxFileSystem files;
    ProbedOnline connection;
    Platform platform{fp.window, fp.dialogs, fp.tray,     connection,   fp.clock,
                      files,     fp.app,     fp.instance, fp.autostart, fp.hangUp};
    fp.app.dir = dir.path.string();
    files.ReplaceAll((dir.path / "timer.ini").string(), AllSections());
    Form1 form(platform);
    if (!form.Form_Load())
        state.SkipWithError("start-up refused");
    for (auto _ : state)
        form.Timer1_Timer();
}
BENCHMARK(BM_OnlineTick)->Unit(benchmark::kMicrosecond);

void BM_BareDurableReplace(benchmark::State& state) {
    TempDir dir;
    LinuxFileSystem files;
    const std::string path = (dir.path / "timer.ini").string();
    const std::string bytes = AllSections();
    for (auto _ : state)
        benchmark::DoNotOptimize(files.ReplaceAll(path, bytes));
}
BENCHMARK(BM_BareDurableReplace)->Unit(benchmark::kMicrosecond);

// The connection probe alone: two small proc files and the flags of the default route's link.
void BM_ConnectionProbe(benchmark::State& state) {
    LinuxConnection probe;
    for (auto _ : state)
        benchmark::DoNotOptimize(probe.Connected());
}
BENCHMARK(BM_ConnectionProbe)->Unit(benchmark::kMicrosecond);

// The names of the links that carry the default route: both proc files, always.
void BM_RoutedLinks(benchmark::State& state) {
    LinuxConnection probe;
    for (auto _ : state)
        benchmark::DoNotOptimize(probe.RoutedLinks());
}
BENCHMARK(BM_RoutedLinks)->Unit(benchmark::kMicrosecond);

}  // namespace

BENCHMARK_MAIN();
