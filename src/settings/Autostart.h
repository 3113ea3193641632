#pragma once

#include <string>

// Starting the program when the user logs on. The start-up value in the store says what is wanted;
// the platform makes it happen.
class Autostart {
public:
    virtual ~Autostart() = default;
    // The text that the start-up value holds while starting at logon is chosen: the program's path.
    virtual std::string ProgramEntry() const = 0;
    // Makes the logon start match the start-up value: a value naming a program starts it at logon,
    // an empty one (blanks only count as empty) starts nothing. False when that could not be done.
    virtual bool Apply(const std::string& value) = 0;
};
