#include "settings/RunTimeError.h"

#include "settings/ProgramInfo.h"

namespace RunTimeErrors {

[[noreturn]] void Raise(long number) {
    const char* text = "Application-defined or object-defined error";
    switch (number) {
    case InvalidProcedureCall:
        text = "Invalid procedure call or argument";
        break;
    case Overflow:
        text = "Overflow";
        break;
    case SubscriptOutOfRange:
        text = "Subscript out of range";
        break;
    case TypeMismatch:
        text = "Type mismatch";
        break;
    default:
        break;
    }
    throw RunTimeError(number, ProgramInfo::ExecutableName(), text);
}

} // namespace RunTimeErrors
