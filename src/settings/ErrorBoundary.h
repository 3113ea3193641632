#pragma once

#include "settings/UserInterface.h"

#include <exception>
#include <string>

// Shows an error that reached the edge of an event handler as the program's message, naming the
// handler. Never throws: a failing message box is swallowed too.
void ReportHandlerError(UserInterface& ui, const std::string& handler, std::exception_ptr error) noexcept;

// Runs an event handler, a slot or a timer's callback so that no error leaves it: the event loop
// would abort the program and the session with it.
template <typename F> void Guarded(UserInterface& ui, const char* handler, F&& body) noexcept {
    try {
        body();
    } catch (...) {
        ReportHandlerError(ui, handler, std::current_exception());
    }
}
