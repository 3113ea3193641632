#pragma once

#include "settings/Globals.h"
#include "settings/Settings.h"

#include <string>
#include <string_view>

inline constexpr const char* kMsgEnterName = "You must enter a name.";
inline constexpr const char* kMsgDuplicateName = "There is already a profile with that name.";
inline constexpr const char* kMsgBackslashInName = "A profile name can't contain a backslash.";
inline constexpr const char* kMsgNameTooLong = "A profile name can be at most 255 characters long.";
inline constexpr const char* kMsgNameNotStored = "The settings couldn't store a profile of that name.";
// The longest key name the registry takes, in UTF-16 units.
inline constexpr std::size_t kMaxProfileNameLength = 255;

// The typed name without the blanks around it.
std::string TrimProfileName(std::string_view typed);

// The message that refuses the (trimmed) name for a new profile in the working list, or the empty
// text when it may be created. Names are compared exactly: letter case counts.
std::string NewProfileRefusal(const Globals& globals, const std::string& name);

// Creates the profile at once: its key gets "Base" = the working list's entry `baseProfileNumber`
// (1-based; 0 gives the empty text), and the name becomes the last entry of the working list.
void CreateProfile(Globals& globals, const Settings& settings, const std::string& name,
                   int baseProfileNumber);
