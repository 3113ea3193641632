#pragma once

#include "settings/Globals.h"
#include "settings/Settings.h"

#include <string>
#include <string_view>

inline constexpr const char* kMsgEnterName = "You must enter a name.";
inline constexpr const char* kMsgDuplicateName = "There is already a profile with that name.";
inline constexpr const char* kMsgBackslashInName = "A profile name can't contain a backslash.";

// The typed name without the blanks around it.
std::string TrimProfileName(std::string_view typed);

// The message that refuses the (trimmed) name for a new profile in the working list, or the empty
// text when it may be created. Names are compared exactly: letter case counts.
std::string NewProfileRefusal(const Globals& globals, const std::string& name);

// Creates the profile at once: its key gets "Base" = the working list's entry `baseProfileNumber`
// (1-based; 0 gives the empty text), and the name becomes the last entry of the working list.
void CreateProfile(Globals& globals, const Settings& settings, const std::string& name,
                   int baseProfileNumber);
