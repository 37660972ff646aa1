// Points HOME and the XDG folders of the whole test run at a throw-away folder, so that no test,
// not even one that slips and uses a default, can reach the user's own files or autostart folder;
// the system bus is one with nobody on it, so no test asks the machine's NetworkManager.
#include <gtest/gtest.h>

#include <memory>

#include "test_support.h"

namespace {

class PrivateHome : public ::testing::Environment {
  public:
    void SetUp() override {
        dir_ = std::make_unique<kivrel::linuxtest::TempDir>();
        for (const char* name : {"HOME", "XDG_CONFIG_HOME", "XDG_RUNTIME_DIR"}) {
            std::string path = *dir_ / name;
            std::filesystem::create_directory(path);
            ::setenv(name, path.c_str(), 1);
        }
        ::setenv("DBUS_SYSTEM_BUS_ADDRESS", ("unix:path=" + *dir_ / "no_bus").c_str(), 1);
    }
    void TearDown() override { dir_.reset(); }

  private:
    std::unique_ptr<kivrel::linuxtest::TempDir> dir_;
};

[[maybe_unused]] ::testing::Environment* const kPrivateHome =
    ::testing::AddGlobalTestEnvironment(new PrivateHome);

}  // namespace
