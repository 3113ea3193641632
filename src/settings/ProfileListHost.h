#pragma once

// What the new-profile window needs from the window that lists the working profiles.
class ProfileListHost {
public:
    virtual ~ProfileListHost() = default;
    // The 0-based position of the selected name in the list, -1 when nothing is selected.
    virtual int SelectedProfileIndex() const = 0;
    // Refills the list from the working copy of the profile names.
    virtual void SetupProfileList() = 0;
};
