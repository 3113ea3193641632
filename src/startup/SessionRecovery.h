#pragma once

#include "engine/Engine.h"
#include "engine/SessionJournal.h"

#include <optional>
#include <string>

// The comment of a call logged from the journal of a run that ended without its exit save.
inline constexpr const char* kRecoveredComment = "(recovered after an unexpected end)";
inline constexpr const char* kRecoveredTitle = "Tallydial - Session recovered";

// Run by the main window's load once the model is loaded. A journal that the last run of this
// profile left behind is folded in as that run's exit save would have done: the totals are stored,
// and its running call is logged as ending at the journal's last write, unless the same line is
// still up: then that call goes on being timed from its first start. Then the journal is kept for
// this run. Returns what the user is to be told, or nothing when there was nothing to recover.
std::optional<std::string> RecoverSession(Engine& engine, SessionJournal& journal);
