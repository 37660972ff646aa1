// The local time in the user's time zone, with its offset from UTC.
#pragma once

#include <ctime>
#include <functional>

#include "ports/system_ports.h"

namespace kivrel {

class LinuxClock final : public IClock {
  public:
    using TimeSource = std::function<std::time_t()>;

    // `now` gives the current time; tests hand in a fixed instant.
    explicit LinuxClock(TimeSource now = [] { return std::time(nullptr); });

    LocalTime Now() override;
    int OffsetAt(int64_t utcSeconds) override;

  private:
    TimeSource now_;
};

}  // namespace kivrel
