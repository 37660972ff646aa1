#include "platform/linux/clock.h"

#include <time.h>

#include <utility>

namespace kivrel {

LinuxClock::LinuxClock(TimeSource now) : now_(std::move(now)) {}

LocalTime LinuxClock::Now() {
    std::time_t t = now_();
    struct tm local {};
    if (::localtime_r(&t, &local) == nullptr) {
        return LocalTime{};
    }
    // A leap second (60) is shown as the second before it.
    return LocalTime{LocalDate{local.tm_year + 1900, local.tm_mon + 1, local.tm_mday},
                     local.tm_hour, local.tm_min, local.tm_sec > 59 ? 59 : local.tm_sec,
                     static_cast<int>(local.tm_gmtoff / 60)};
}

int LinuxClock::OffsetAt(int64_t utcSeconds) {
    const std::time_t t = static_cast<std::time_t>(utcSeconds);
    struct tm local {};
    if (::localtime_r(&t, &local) == nullptr)
        return 0;
    return static_cast<int>(local.tm_gmtoff / 60);
}

}  // namespace kivrel
