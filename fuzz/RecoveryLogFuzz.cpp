// At start-up the end of the call log is searched for the record of a call cut short; the log may
// hold anything: other programs' writes, records cut short, binary garbage.
#include "engine/CallLog.h"

#include <cstddef>
#include <cstdint>
#include <cstdlib>
#include <string>

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
    const std::string text(reinterpret_cast<const char*>(data), size);
    const double date = 46358;
    const double start = 0.5;
    (void)FindLoggedCall(text, date, start, "Default", "X");

    // Once the call's whole record follows, it is found whatever came before.
    std::string logged = text + "\r\n";
    for (const LogField& field :
         {LogField::String("TALLYD"), LogField::Date(date), LogField::Time(start), LogField::Time(0.6),
          LogField::Number(90.5), LogField::Number(0.01), LogField::String("Default"), LogField::String("X"),
          LogField::WholeNumber(0), LogField::String("comment")})
        logged += FormatLogField(field) + "\r\n";
    if (FindLoggedCall(logged, date, start, "Default", "X") != LoggedCall::Whole) std::abort();
    return 0;
}
