#pragma once

#include <stdexcept>
#include <string>

// The program's run-time error: a number, the place that raised it and a description.
// Registry failures, failed conversions and overflows all travel as this type.
class RunTimeError : public std::runtime_error {
public:
    RunTimeError(long number, std::string source, std::string description)
        : std::runtime_error(description), Number(number), Source(std::move(source)),
          Description(std::move(description)) {}

    long Number;
    std::string Source;
    std::string Description;
};

// The numbers of the run-time library's own errors.
namespace RunTimeErrors {
inline constexpr long InvalidProcedureCall = 5;
inline constexpr long Overflow = 6;
inline constexpr long SubscriptOutOfRange = 9;
inline constexpr long TypeMismatch = 13;

[[noreturn]] void Raise(long number);
} // namespace RunTimeErrors
