#pragma once

// The time source of the program, injected so that tests drive time by hand.
class Clock {
public:
    virtual ~Clock() = default;
    // The local date and time as a date serial (days since 30 December 1899).
    virtual double Now() const = 0;
    // Seconds of a clock that never jumps with the wall clock (daylight saving, manual changes).
    virtual double MonotonicSeconds() const = 0;
    // Seconds since 1970 in UTC: an instant that a change of summer time or time zone leaves alone.
    virtual double UtcSeconds() const = 0;

    double Today() const;
    // Seconds since midnight with fractions, in single precision as the toolkit's timer gives them.
    float SecondsSinceMidnight() const;
};

// The machine's clocks.
class SystemClock final : public Clock {
public:
    double Now() const override;
    double MonotonicSeconds() const override;
    double UtcSeconds() const override;
};
