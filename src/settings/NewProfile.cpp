#include "settings/NewProfile.h"

#include "settings/PlainText.h"
#include "settings/RunTimeError.h"

#include <limits>

std::string TrimProfileName(std::string_view typed) {
    return std::string(Trim(typed, " "));
}

std::string NewProfileRefusal(const Globals& globals, const std::string& name) {
    if (name.empty()) return kMsgEnterName;
    const auto& names = globals.EditProfileNames;
    for (int i = 1; i <= globals.EditProfileCount && static_cast<size_t>(i) < names.size(); ++i)
        if (names[static_cast<size_t>(i)] == name) return kMsgDuplicateName;
    // A backslash would make the profile's key a key inside another one.
    if (name.find('\\') != std::string::npos) return kMsgBackslashInName;
    if (Utf16Length(name) > kMaxProfileNameLength) return kMsgNameTooLong;
    return {};
}

void CreateProfile(Globals& globals, const Settings& settings, const std::string& name,
                   int baseProfileNumber) {
    auto& names = globals.EditProfileNames;
    if (baseProfileNumber < 0 || baseProfileNumber > globals.EditProfileCount ||
        static_cast<size_t>(baseProfileNumber) >= names.size())
        RunTimeErrors::Raise(RunTimeErrors::SubscriptOutOfRange);
    if (globals.EditProfileCount == std::numeric_limits<std::int16_t>::max())
        RunTimeErrors::Raise(RunTimeErrors::Overflow);

    const std::string base =
        baseProfileNumber == 0 ? std::string() : names[static_cast<size_t>(baseProfileNumber)];
    settings.WriteRegistryValue(std::string(Settings::BaseKey) + name, "Base", REG_SZ, Variant(base));

    ++globals.EditProfileCount;
    names.resize(static_cast<size_t>(globals.EditProfileCount) + 1);
    names[static_cast<size_t>(globals.EditProfileCount)] = name;
}
