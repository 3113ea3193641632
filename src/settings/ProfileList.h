#pragma once

#include <cstdint>
#include <string>
#include <vector>

// The profile list of this run.
struct ProfileList {
    std::int16_t NumOfProfiles = 0;
    std::vector<std::string> ProfileNames{std::string()}; // 0 ... NumOfProfiles, 1 ... used
    std::int16_t CurrentProfile = 0;                      // 1-based; 0 while none is chosen
    bool ProfileSelected = false;

    // The name of the profile in use; raises Subscript out of range when the index lies outside the list.
    const std::string& CurrentName() const;
};
