#include "platform/linux/clock.h"

#include <time.h>

#include <utility>

namespace kivrel {

LinuxClock::LinuxClock(Now now) : now_(std::move(now)) {}

LocalDate LinuxClock::Today() {
    std::time_t t = now_();
    struct tm local {};
    if (::localtime_r(&t, &local) == nullptr) {
        return LocalDate{};
    }
    return LocalDate{local.tm_year + 1900, local.tm_mon + 1, local.tm_mday};
}

}  // namespace kivrel
