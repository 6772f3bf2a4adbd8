#include "base/clock.h"

#include <ctime>

namespace velaris {

DateTime Clock::systemNow() {
    const std::time_t t = std::time(nullptr);
    std::tm local{};
    localtime_r(&t, &local);
    return DateTime::fromParts(local.tm_year + 1900, local.tm_mon + 1, local.tm_mday, local.tm_hour, local.tm_min,
                               local.tm_sec);
}

DateTime Clock::now() const {
    if (fixed_) return *fixed_;
    return systemNow().addSeconds(offset_);
}

void Clock::advance(int64_t seconds) {
    if (fixed_) fixed_ = fixed_->addSeconds(seconds);
    else offset_ += seconds;
}

void Clock::startAt(DateTime at) {
    fixed_.reset();
    offset_ = at.seconds() - systemNow().seconds();
}

}  // namespace velaris
