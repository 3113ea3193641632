#include "platform/windows/Win32RegistryStore.h"
#include "settings/cRegistryContract.h"

// Before windows.h turns the names into handle macros.
constexpr std::int32_t Roots[] = {HKEY_CLASSES_ROOT, HKEY_CURRENT_USER, HKEY_LOCAL_MACHINE};
constexpr std::int32_t CurrentUser = HKEY_CURRENT_USER;

#include <windows.h>

#include <gtest/gtest.h>

namespace {
constexpr const char* TestKey = "Software\\Tallydial tests";

// Moves the three roots, for this process and while it lives, to keys of the tests' own below
// HKEY_CURRENT_USER\Software\Tallydial tests, which goes again at the end.
struct MovedRoots {
    MovedRoots() {
        RegDeleteTreeA(HKEY_CURRENT_USER, TestKey);
        for (const std::int32_t root : Roots) {
            HKEY moved = nullptr;
            const std::string path = TestKey + std::string("\\") + std::to_string(root);
            RegCreateKeyExA(HKEY_CURRENT_USER, path.c_str(), 0, nullptr, 0, KEY_ALL_ACCESS, nullptr, &moved,
                            nullptr);
            RegOverridePredefKey(Handle(root), moved);
            RegCloseKey(moved);
        }
    }
    ~MovedRoots() {
        for (const std::int32_t root : Roots)
            RegOverridePredefKey(Handle(root), nullptr);
        RegDeleteTreeA(HKEY_CURRENT_USER, TestKey);
    }
    static HKEY Handle(std::int32_t root) { return reinterpret_cast<HKEY>(static_cast<LONG_PTR>(root)); }
};

StoreUnderTest Store(const char* name, std::uint32_t view) {
    return {name, [view] {
                auto roots = std::make_shared<MovedRoots>();
                return std::shared_ptr<RegistryStore>(new Win32RegistryStore(view),
                                                      [roots](RegistryStore* store) { delete store; });
            }};
}

// The manifest makes the "A" calls speak UTF-8, as the core does: an accented profile's key is the
// same key for the wide calls that Windows itself and its tools use.
TEST(Win32RegistryStore, AccentedNamesAreUtf8ForTheWholeSystem) {
    const MovedRoots roots;
    Win32RegistryStore store;
    const std::string text = "Caf\xC3\xA9 \xE2\x82\xAC";
    ASSERT_EQ(GetACP(), static_cast<UINT>(CP_UTF8));
    ASSERT_EQ(store.SetValue(CurrentUser, "Software\\Caf\xC3\xA9", "Name", REG_SZ,
                             std::vector<std::uint8_t>(text.c_str(), text.c_str() + text.size() + 1)),
              ERROR_SUCCESS);
    wchar_t read[16] = {};
    DWORD size = sizeof read;
    ASSERT_EQ(
        RegGetValueW(HKEY_CURRENT_USER, L"Software\\Caf\u00e9", L"Name", RRF_RT_REG_SZ, nullptr, read, &size),
        ERROR_SUCCESS);
    EXPECT_STREQ(read, L"Caf\u00e9 \u20ac");
}

} // namespace

// The 32-bit view is where both builds keep the settings; under it the contract holds as well.
INSTANTIATE_STORE_CONTRACT(Store("Win32RegistryStore", 0),
                           Store("Win32RegistryStore32BitView", KEY_WOW64_32KEY));
