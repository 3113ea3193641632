#pragma once

#include <string_view>

// Writes the whole text to the descriptor, going on after short writes and interruptions; false when
// the system refuses a write.
bool WriteAll(int fd, std::string_view text);
