#pragma once

#include "engine/Engine.h"

// The record of a call that ends, or of a failed dial: the first nine fields. Nothing is written
// when logging is off, or for a failed dial when failed dials aren't logged; a record the log can't
// take waits, silently, in the pending file.
void WriteLogRecord(Engine& engine, bool failed);
// The same with the call's time and cost taken at the call-clock reading `callClock`.
void WriteLogRecord(Engine& engine, bool failed, double callClock);
// The record's tenth field: the user's comment when comments are on, else empty. The tray icon
// ignores clicks while the question is open. `userPresent` false writes an empty comment without
// asking, for an end that nobody waits at (the session ending, a signal). A record the log
// couldn't take is reported with "Unable to open log file", once a run (without a window when
// nobody is present).
void WriteLogComment(Engine& engine, bool failed, bool userPresent = true);
