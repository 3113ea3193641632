#include "settings/Clock.h"

#include "settings/DateSerial.h"

#include <chrono>
#include <cmath>
#include <ctime>

double Clock::Today() const {
    return std::floor(Now());
}

float Clock::SecondsSinceMidnight() const {
    const double now = Now();
    return static_cast<float>((now - std::floor(now)) * 86400.0);
}

double SystemClock::Now() const {
    using namespace std::chrono;
    const auto now = system_clock::now();
    const std::time_t seconds = system_clock::to_time_t(now);
    std::tm local{};
#ifdef _WIN32
    localtime_s(&local, &seconds);
#else
    localtime_r(&seconds, &local);
#endif
    const double fraction =
        static_cast<double>(duration_cast<microseconds>(now.time_since_epoch()).count() % 1000000) / 1e6;
    return DateSerial::FromCivil(local.tm_year + 1900, local.tm_mon + 1, local.tm_mday) +
           DateSerial::FromTime(local.tm_hour, local.tm_min, local.tm_sec + fraction);
}

double SystemClock::MonotonicSeconds() const {
    using namespace std::chrono;
    return duration<double>(steady_clock::now().time_since_epoch()).count();
}

double SystemClock::UtcSeconds() const {
    using namespace std::chrono;
    return duration<double>(system_clock::now().time_since_epoch()).count();
}
