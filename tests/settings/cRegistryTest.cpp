#include "settings/cRegistry.h"
#include "platform/linux/SqliteRegistryStore.h"
#include "settings/EnvironmentStrings.h"
#include "settings/ProgramInfo.h"
#include "settings/RunTimeError.h"
#include "support/TestSupport.h"

#include <gtest/gtest.h>

#include <cstdlib>
#include <functional>

namespace {
constexpr const char* Section = "Software\\Orvane\\Tallydial\\Default\\Misc";

struct RegistryFixture {
    TempFolder folder;
    FakeClock clock;
    std::unique_ptr<SqliteRegistryStore> store =
        SqliteRegistryStore::Open(folder.Path() / "registry.db", clock).Store;

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

std::vector<std::uint8_t> Bytes(std::string_view text) {
    return {text.begin(), text.end()};
}

// The error a call raises, or number 0 when it raises nothing.
RunTimeError Raised(const std::function<void()>& call) {
    try {
        call();
    } catch (const RunTimeError& error) {
        return error;
    }
    return RunTimeError(0, {}, {});
}

class cRegistryTest : public ::testing::Test, public RegistryFixture {};
class cRegistryLocaleTest : public ::testing::TestWithParam<Locale>, public RegistryFixture {};
} // namespace

// Only a pair of percent signs with something between them makes text expandable.
TEST_F(cRegistryTest, TextWritesChooseExpandableTypeByPercentPairs) {
    for (const auto& [texts, type] :
         {std::pair{std::vector<std::string>{"Daytime", "50% off", "100%% sure"}, REG_SZ},
          std::pair{std::vector<std::string>{"%TEMP%\\log.dat", "a%b%c", "%%x%"}, REG_EXPAND_SZ}}) {
        for (const std::string& text : texts) {
            At(Locale::DecimalPoint(), Section, "Text", 1).Value(Variant(text));
            const RegistryValue stored = Stored(Section, "Text");
            EXPECT_EQ(stored.Type, type) << text;
            EXPECT_EQ(stored.Data, Bytes(text + '\0')) << text;
        }
    }
}

TEST_P(cRegistryLocaleTest, NonTextValuesAreStoredInTheStandardTextForm) {
    const Locale& locale = GetParam();
    const bool comma = locale.DecimalSeparator == ",";
    const std::pair<Variant, std::string> rows[] = {
        {Variant(0.25), comma ? "0,25" : "0.25"},
        {Variant(true), "True"},
        {Variant(DateValue{36526}), comma ? "01.01.2000" : "01/01/2000"},
        {Variant(), ""},
    };
    for (const auto& [value, text] : rows) {
        At(locale, Section, "Converted", 2).Value(value);
        cRegistry reg = At(locale, Section, "Converted", 0);
        EXPECT_EQ(reg.Value(), Variant(text));
        EXPECT_EQ(reg.ValueType(), 1);
    }
}

TEST_P(cRegistryLocaleTest, DwordWritesTakeWholeNumbersOnlyAndNeverReverseBytes) {
    const Locale& locale = GetParam();
    At(locale, Section, "Small", 4).Value(Variant(std::int16_t{-1}));
    EXPECT_EQ(Stored(Section, "Small").Data, (std::vector<std::uint8_t>{0xFF, 0xFF, 0xFF, 0xFF}));
    At(locale, Section, "Big", 5).Value(Variant(std::int32_t{0x01020304}));
    const RegistryValue big = Stored(Section, "Big");
    EXPECT_EQ(big.Type, REG_DWORD);
    EXPECT_EQ(big.Data, (std::vector<std::uint8_t>{4, 3, 2, 1}));
    cRegistry reader = At(locale, Section, "Big");
    EXPECT_EQ(reader.Value(), Variant(std::int32_t{16909060}));
    EXPECT_EQ(reader.ValueType(), 4);

    // Text and fractions are left unwritten without complaint.
    for (const Variant& ignored : {Variant("12"), Variant(2.0)}) {
        EXPECT_EQ(Raised([&] { At(locale, Section, "Ignored", 4).Value(ignored); }).Number, 0);
        EXPECT_EQ(At(locale, Section, "Ignored").Value(), Variant());
    }
}

INSTANTIATE_TEST_SUITE_P(BothDecimalSeparators, cRegistryLocaleTest,
                         ::testing::Values(Locale::DecimalPoint(), Locale::DecimalComma()),
                         [](const auto& row) {
                             return row.param.DecimalSeparator == "," ? "Comma" : "Point";
                         });

TEST_F(cRegistryTest, ReadsConvertEachStoredType) {
    struct Row {
        const char* behaviour;
        std::uint32_t type;
        std::vector<std::uint8_t> data;
        Variant expected;
    };
    const Row rows[] = {
        {"text drops its NUL", REG_SZ, Bytes(std::string("Evening") + '\0'), Variant("Evening")},
        {"empty text with only its NUL", REG_SZ, {0}, Variant("")},
        {"empty text without any data", REG_SZ, {}, Variant("")},
        {"multi-string keeps inner NULs", REG_MULTI_SZ, Bytes(std::string("a\0b\0\0", 5)),
         Variant(std::string("a\0b\0", 4))},
        {"big-endian dword", REG_DWORD_BIG_ENDIAN, {1, 2, 3, 4}, Variant(std::int32_t{16909060})},
        {"dword", REG_DWORD, {0xFE, 0xFF, 0xFF, 0xFF}, Variant(std::int32_t{-2})},
        {"binary", REG_BINARY, {0, 1, 255}, Variant(ByteArray{0, 1, 255})},
        {"none", REG_NONE, {7}, Variant(ByteArray{7})},
        {"link", REG_LINK, {}, Variant(ByteArray{})},
        {"unknown type", 42, {9, 8}, Variant(ByteArray{9, 8})},
    };
    for (const Row& row : rows) {
        ASSERT_EQ(store->SetValue(HKEY_LOCAL_MACHINE, Section, "Raw", row.type, row.data), ERROR_SUCCESS);
        cRegistry reg = At(Locale::DecimalPoint(), Section, "Raw", 1);
        EXPECT_EQ(reg.Value(), row.expected) << row.behaviour;
        EXPECT_EQ(reg.ValueType(), static_cast<std::int32_t>(row.type)) << row.behaviour;
    }
}

TEST_F(cRegistryTest, BinaryValueReadAndWrittenBackIsUnchanged) {
    const std::vector<std::uint8_t> original{0, 0x80, 0xFF, 0, 0x25};
    store->SetValue(HKEY_LOCAL_MACHINE, Section, "Blob", REG_BINARY, original);
    const Variant read = At(Locale::DecimalPoint(), Section, "Blob").Value();
    At(Locale::DecimalPoint(), Section, "Blob", 3).Value(read);
    EXPECT_EQ(Stored(Section, "Blob").Data, original);
    EXPECT_EQ(Stored(Section, "Blob").Type, REG_BINARY);
}

TEST_F(cRegistryTest, ExpandableTextIsExpandedOnRead) {
    setenv("TALLYDIAL_REG_TEST", "/opt/dial", 1);
    unsetenv("TALLYDIAL_REG_UNSET");
    At(Locale::DecimalPoint(), Section, "Path", 1)
        .Value(Variant("%TALLYDIAL_REG_TEST%/log.dat %TALLYDIAL_REG_UNSET%"));
    cRegistry reg = At(Locale::DecimalPoint(), Section, "Path", 0);
    EXPECT_EQ(reg.Value(), Variant("/opt/dial/log.dat %TALLYDIAL_REG_UNSET%"));
    EXPECT_EQ(reg.ValueType(), 2);
}

TEST(EnvironmentStrings, UnknownNamesStayAndTheirClosingSignMayOpenTheNext) {
    const auto lookup = [](const std::string& name) -> std::optional<std::string> {
        if (name == "A") return "1";
        if (name == "B") return "";
        return std::nullopt;
    };
    const std::pair<const char*, const char*> rows[] = {
        {"%A%%B%x", "1x"}, {"%X%A%", "%X1"}, {"%%", "%%"},       {"50%", "50%"},
        {"%A", "%A"},      {"a%A%b", "a1b"}, {"%X%Y%", "%X%Y%"}, {"", ""},
    };
    for (const auto& [text, expanded] : rows)
        EXPECT_EQ(ExpandEnvironmentStrings(text, lookup), expanded) << text;
}

TEST_F(cRegistryTest, MissingValueOrKeyGivesDefaultAndKeepsValueType) {
    store->SetValue(HKEY_LOCAL_MACHINE, Section, "Present", REG_SZ, Bytes(std::string("x") + '\0'));
    for (const auto& [section, value] :
         {std::pair{Section, "Absent"}, std::pair{"Software\\Nowhere", "Present"}}) {
        cRegistry reg = At(Locale::DecimalPoint(), section, value, 3);
        EXPECT_EQ(reg.Value(), Variant()) << "empty unless set";
        reg.Default(Variant(std::int16_t{7}));
        EXPECT_EQ(reg.Value(), Variant(std::int16_t{7}));
        EXPECT_EQ(reg.ValueType(), 3);
    }
}

TEST_F(cRegistryTest, FailuresRaiseTheirNumbersAndExactDescriptions) {
    const Locale locale = Locale::DecimalPoint();
    store->SetValue(HKEY_LOCAL_MACHINE, "Software\\Parent\\Child", "v", REG_SZ, {0});
    struct Row {
        const char* behaviour;
        std::function<void()> call;
        long number;
        std::string description;
    };
    const std::string write = "Failed to set registry value Key: '-2147483646',Section: '" +
                              std::string(Section) + "',Key: 'Odd' to value: '12'";
    const Row rows[] = {
        {"value type 0", [&] { At(locale, Section, "Odd", 0).Value(Variant("12")); }, -2147194455, write},
        {"value type 6", [&] { At(locale, Section, "Odd", 6).Value(Variant("12")); }, -2147194455, write},
        {"value type 7", [&] { At(locale, Section, "Odd", 7).Value(Variant(std::int16_t{12})); }, -2147194455,
         write},
        {"binary from text", [&] { At(locale, Section, "Odd", 3).Value(Variant("12")); }, 26001, ""},
        {"write to an unknown root", [&] { At(locale, "Soft", "v", 1, 0).Value(Variant("x")); }, 26001,
         "Failed to set registry value Key: '0',Section: 'Soft',Key: 'v' to value: 'x'"},
        {"create under an unknown root", [&] { At(locale, "Soft", "v", 1, 0).CreateKey(); }, 26001,
         "Failed to create registry Key: 'Soft"},
        {"delete a missing key", [&] { At(locale, "Software\\Gone", "").DeleteKey(); }, 26001,
         "Failed to delete registry Key: '-2147483646',Section: 'Software\\Gone"},
        {"delete a key with subkeys", [&] { At(locale, "Software\\Parent", "").DeleteKey(); }, 26001,
         "Failed to delete registry Key: '-2147483646',Section: 'Software\\Parent"},
        {"delete a value of a missing key", [&] { At(locale, "Software\\Gone", "v").DeleteValue(); }, 26001,
         "Failed to open key '-2147483646',Section: 'Software\\Gone' for delete access"},
        {"delete a missing value", [&] { At(locale, "Software\\Parent\\Child", "w").DeleteValue(); }, 26001,
         "Failed to delete registry Key: '-2147483646',Section: 'Software\\Parent\\Child',Key: 'w"},
    };
    for (const Row& row : rows) {
        const RunTimeError error = Raised(row.call);
        EXPECT_EQ(error.Number, row.number) << row.behaviour;
        EXPECT_EQ(error.Description, row.description) << row.behaviour;
        EXPECT_EQ(error.Source, ProgramInfo::ExecutableName() + ".cRegistry") << row.behaviour;
    }
}

TEST_F(cRegistryTest, KeyMaintenance) {
    cRegistry reg = At(Locale::DecimalPoint(), "Software\\Orvane\\New\\Deep", "v");
    EXPECT_FALSE(reg.KeyExists());
    EXPECT_TRUE(reg.CreateKey());
    EXPECT_TRUE(reg.KeyExists());
    EXPECT_TRUE(At(Locale::DecimalPoint(), "software\\orvane\\new", "").KeyExists()) << "parents, any case";
    reg.Value(Variant("x"));
    EXPECT_TRUE(reg.DeleteValue());
    EXPECT_EQ(reg.Value(), Variant());
    EXPECT_TRUE(reg.DeleteKey());
    EXPECT_FALSE(reg.KeyExists());
}

TEST_F(cRegistryTest, EnumerationsAreOneBasedAndEmptyForMissingKeys) {
    std::vector<std::string> values{"stale"}, sections{"stale"};
    std::int32_t valueCount = 99, sectionCount = 99;
    cRegistry missing = At(Locale::DecimalPoint(), "Software\\Nowhere", "");
    EXPECT_TRUE(missing.EnumerateValues(values, valueCount));
    EXPECT_TRUE(missing.EnumerateSections(sections, sectionCount));
    EXPECT_EQ(valueCount + sectionCount, 0);
    EXPECT_TRUE(values.empty() && sections.empty());

    for (const char* value : {"Zeta", "alpha", "Mid"})
        At(Locale::DecimalPoint(), "Software\\T", value).Value(Variant(1));
    for (const char* key : {"Software\\T\\beta", "Software\\T\\Alpha", "Software\\T\\Gamma"})
        At(Locale::DecimalPoint(), key, "").CreateKey();
    cRegistry reg = At(Locale::DecimalPoint(), "Software\\T", "");
    EXPECT_TRUE(reg.EnumerateValues(values, valueCount));
    EXPECT_EQ(valueCount, 3);
    EXPECT_EQ(values, (std::vector<std::string>{"", "Zeta", "alpha", "Mid"})) << "order of first write";
    EXPECT_TRUE(reg.EnumerateSections(sections, sectionCount));
    EXPECT_EQ(sectionCount, 3);
    EXPECT_EQ(sections, (std::vector<std::string>{"", "Alpha", "beta", "Gamma"}));
}

TEST_F(cRegistryTest, ExeAssociationWritesIconEntryOnlyForAnIndex) {
    const auto text = [this](const std::string& key) {
        const std::vector<std::uint8_t> data = Stored(key, "", HKEY_CLASSES_ROOT).Data;
        return data.empty() ? std::string() : std::string(data.begin(), data.end() - 1);
    };
    for (const std::int32_t index : {-1, 0}) {
        const std::string type = "tdl" + std::to_string(index + 1);
        const std::string name = "Tallydial.Log" + std::to_string(index + 1);
        cRegistry reg = At(Locale::DecimalPoint(), "", "", 1, HKEY_LOCAL_MACHINE);
        reg.CreateEXEAssociation("/opt/td/tallydial", name, "Call log", type, index);
        EXPECT_EQ(reg.ClassKey(), HKEY_CLASSES_ROOT);
        EXPECT_EQ(text("." + type), name);
        EXPECT_EQ(text("." + type + "\\shell\\open\\command"), "/opt/td/tallydial \"%1\"");
        EXPECT_EQ(text(name), "Call log");
        EXPECT_EQ(Stored(name + "\\shell\\open\\command", "", HKEY_CLASSES_ROOT).Type, REG_SZ)
            << "a lone %1 is no variable";
        RegistryValue icon;
        const long found = store->QueryValue(HKEY_CLASSES_ROOT, name + "\\DefaultIcon", "", icon);
        EXPECT_EQ(found, index < 0 ? ERROR_FILE_NOT_FOUND : ERROR_SUCCESS);
        if (index >= 0) {
            EXPECT_EQ(icon.Data, Bytes("/opt/td/tallydial,0" + std::string(1, '\0')));
        }
    }
}
