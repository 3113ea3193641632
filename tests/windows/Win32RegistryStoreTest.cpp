#include "platform/windows/Win32RegistryStore.h"
#include "settings/cRegistryContract.h"

// Before windows.h turns the names into handle macros.
constexpr std::int32_t Roots[] = {HKEY_CLASSES_ROOT, HKEY_CURRENT_USER, HKEY_LOCAL_MACHINE};

#include <windows.h>

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

} // namespace

INSTANTIATE_STORE_CONTRACT(StoreUnderTest{"Win32RegistryStore", [] {
                                              auto roots = std::make_shared<MovedRoots>();
                                              return std::shared_ptr<RegistryStore>(
                                                  new Win32RegistryStore,
                                                  [roots](RegistryStore* store) { delete store; });
                                          }});
