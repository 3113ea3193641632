#pragma once

#include <string>

// The file name of a profile's session journal, without extension: the same for names that differ
// only in letter case, as profiles do, and safe as a file name on every system.
std::string JournalFileStem(const std::string& profile);
