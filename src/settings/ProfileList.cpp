#include "settings/ProfileList.h"

#include "settings/RunTimeError.h"

const std::string& ProfileList::CurrentName() const {
    if (CurrentProfile < 0 || static_cast<size_t>(CurrentProfile) >= ProfileNames.size())
        RunTimeErrors::Raise(RunTimeErrors::SubscriptOutOfRange);
    return ProfileNames[static_cast<size_t>(CurrentProfile)];
}
