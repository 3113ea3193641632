#pragma once

#include "settings/RegistryStore.h"
#include "settings/cRegistry.h"

#include <gtest/gtest.h>

#include <functional>
#include <memory>
#include <string>

// A store the cRegistry contract runs on: every test opens a fresh, empty one.
struct StoreUnderTest {
    std::string Name;
    std::function<std::shared_ptr<RegistryStore>()> Open;
};

inline void PrintTo(const StoreUnderTest& store, std::ostream* out) {
    *out << store.Name;
}

class cRegistryContract : public ::testing::TestWithParam<StoreUnderTest> {
protected:
    std::shared_ptr<RegistryStore> store = GetParam().Open();
    const Locale point = Locale::DecimalPoint();

    cRegistry At(const Locale& locale, std::string section, std::string value, std::int32_t type = 1,
                 std::int32_t root = HKEY_LOCAL_MACHINE) {
        cRegistry reg(*store, locale);
        reg.ClassKey(root);
        reg.SectionKey(std::move(section));
        reg.ValueKey(std::move(value));
        reg.ValueType(type);
        return reg;
    }
    RegistryValue Stored(std::string_view section, std::string_view value,
                         std::int32_t root = HKEY_LOCAL_MACHINE) {
        RegistryValue stored;
        EXPECT_EQ(store->QueryValue(root, section, value, stored), ERROR_SUCCESS) << section << " " << value;
        return stored;
    }
};

// Runs the contract on a store: INSTANTIATE_STORE_CONTRACT(StoreUnderTest{...}).
#define INSTANTIATE_STORE_CONTRACT(...)                                                                      \
    INSTANTIATE_TEST_SUITE_P(Store, cRegistryContract, ::testing::Values(__VA_ARGS__),                       \
                             [](const auto& row) { return row.param.Name; })
