// Today's date in the user's local time zone.
#pragma once

#include <ctime>
#include <functional>

#include "platform/system_ports.h"

namespace kivrel {

class LinuxClock final : public IClock {
  public:
    using Now = std::function<std::time_t()>;

    // `now` gives the current time; tests hand in a fixed instant.
    explicit LinuxClock(Now now = [] { return std::time(nullptr); });

    LocalDate Today() override;

  private:
    Now now_;
};

}  // namespace kivrel
