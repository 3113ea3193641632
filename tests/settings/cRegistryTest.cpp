#include "settings/EnvironmentStrings.h"
#include "settings/ProgramInfo.h"
#include "settings/RunTimeError.h"
#include "settings/cRegistryContract.h"
#include "support/TestSupport.h"

#include <cstdlib>
#include <functional>

// The contract every store passes through cRegistry; each store's own test instantiates it.
namespace {
constexpr const char* Section = "Software\\Orvane\\Tallydial\\Default\\Misc";

// The error a call raises, or number 0 when it raises nothing.
RunTimeError Raised(const std::function<void()>& call) {
    try {
        call();
    } catch (const RunTimeError& error) {
        return error;
    }
    return RunTimeError(0, {}, {});
}
} // namespace

// Only a pair of percent signs with something between them makes text expandable; it is expanded on read.
TEST_P(cRegistryContract, TextWritesChooseExpandableTypeByPercentPairs) {
    for (const auto& [texts, type] :
         {std::pair{std::vector<std::string>{"Daytime", "50% off", "100%% sure"}, REG_SZ},
          std::pair{std::vector<std::string>{"%TEMP%\\log.dat", "a%b%c", "%%x%"}, REG_EXPAND_SZ}}) {
        for (const std::string& text : texts) {
            At(point, Section, "Text", 1).Value(Variant(text));
            const RegistryValue stored = Stored(Section, "Text");
            EXPECT_EQ(stored.Type, type) << text;
            EXPECT_EQ(stored.Data, SzBytes(text)) << text;
        }
    }
    At(point, Section, "Path", 1).Value(Variant("%PATH%/log.dat %TALLYDIAL_REG_UNSET%"));
    cRegistry reg = At(point, Section, "Path", 0);
    EXPECT_EQ(reg.Value(), Variant(std::getenv("PATH") + std::string("/log.dat %TALLYDIAL_REG_UNSET%")));
    EXPECT_EQ(reg.ValueType(), 2);
}

TEST_P(cRegistryContract, NonTextValuesAreStoredInTheStandardTextForm) {
    for (const Locale& locale : {point, Locale::DecimalComma()}) {
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
}

TEST_P(cRegistryContract, DwordWritesTakeWholeNumbersOnlyAndNeverReverseBytes) {
    At(point, Section, "Small", 4).Value(Variant(std::int16_t{-1}));
    EXPECT_EQ(Stored(Section, "Small").Data, (std::vector<std::uint8_t>{0xFF, 0xFF, 0xFF, 0xFF}));
    At(point, Section, "Big", 5).Value(Variant(std::int32_t{0x01020304}));
    const RegistryValue big = Stored(Section, "Big");
    EXPECT_EQ(big.Type, REG_DWORD);
    EXPECT_EQ(big.Data, (std::vector<std::uint8_t>{4, 3, 2, 1}));
    cRegistry reader = At(point, Section, "Big");
    EXPECT_EQ(reader.Value(), Variant(std::int32_t{16909060}));
    EXPECT_EQ(reader.ValueType(), 4);

    // Text and fractions are left unwritten without complaint.
    for (const Variant& ignored : {Variant("12"), Variant(2.0)}) {
        EXPECT_EQ(Raised([&] { At(point, Section, "Ignored", 4).Value(ignored); }).Number, 0);
        EXPECT_EQ(At(point, Section, "Ignored").Value(), Variant());
    }
}

TEST_P(cRegistryContract, ReadsConvertEachStoredType) {
    struct Row {
        const char* behaviour;
        std::uint32_t type;
        std::vector<std::uint8_t> data;
        Variant expected;
    };
    const Row rows[] = {
        {"text drops its NUL", REG_SZ, SzBytes("Evening"), Variant("Evening")},
        {"empty text with only its NUL", REG_SZ, {0}, Variant("")},
        {"empty text without any data", REG_SZ, {}, Variant("")},
        {"multi-string keeps inner NULs", REG_MULTI_SZ, RawBytes(std::string("a\0b\0\0", 5)),
         Variant(std::string("a\0b\0", 4))},
        {"big-endian dword", REG_DWORD_BIG_ENDIAN, {1, 2, 3, 4}, Variant(std::int32_t{16909060})},
        {"dword", REG_DWORD, {0xFE, 0xFF, 0xFF, 0xFF}, Variant(std::int32_t{-2})},
        {"binary", REG_BINARY, {0, 1, 255}, Variant(ByteArray{0, 1, 255})},
        {"unknown type", 42, {9, 8}, Variant(ByteArray{9, 8})},
    };
    for (const Row& row : rows) {
        ASSERT_EQ(store->SetValue(HKEY_LOCAL_MACHINE, Section, "Raw", row.type, row.data), ERROR_SUCCESS);
        cRegistry reg = At(point, Section, "Raw", 1);
        EXPECT_EQ(reg.Value(), row.expected) << row.behaviour;
        EXPECT_EQ(reg.ValueType(), static_cast<std::int32_t>(row.type)) << row.behaviour;
    }
    // Binary read and written back is unchanged.
    const std::vector<std::uint8_t> original{0, 0x80, 0xFF, 0, 0x25};
    store->SetValue(HKEY_LOCAL_MACHINE, Section, "Blob", REG_BINARY, original);
    At(point, Section, "Blob", 3).Value(At(point, Section, "Blob").Value());
    EXPECT_EQ(Stored(Section, "Blob").Data, original);
    EXPECT_EQ(Stored(Section, "Blob").Type, REG_BINARY);
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

TEST_P(cRegistryContract, MissingValueOrKeyReadsEmptyAndKeepsValueType) {
    store->SetValue(HKEY_LOCAL_MACHINE, Section, "Present", REG_SZ, SzBytes("x"));
    for (const auto& [section, value] :
         {std::pair{Section, "Absent"}, std::pair{"Software\\Nowhere", "Present"}}) {
        cRegistry reg = At(point, section, value, 3);
        EXPECT_EQ(reg.Value(), Variant());
        EXPECT_EQ(reg.ValueType(), 3);
    }
}

TEST_P(cRegistryContract, FailuresRaiseTheirNumbersAndExactDescriptions) {
    const Locale locale = point;
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
        {"binary from text", [&] { At(locale, Section, "Odd", 3).Value(Variant("12")); }, 26001, ""},
        {"write to an unknown root", [&] { At(locale, "Soft", "v", 1, 0).Value(Variant("x")); }, 26001,
         "Failed to set registry value Key: '0',Section: 'Soft',Key: 'v' to value: 'x'"},
    };
    for (const Row& row : rows) {
        const RunTimeError error = Raised(row.call);
        EXPECT_EQ(error.Number, row.number) << row.behaviour;
        EXPECT_EQ(error.Description, row.description) << row.behaviour;
        EXPECT_EQ(error.Source, ProgramInfo::ExecutableName() + ".cRegistry") << row.behaviour;
    }
}
