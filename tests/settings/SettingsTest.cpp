#include "settings/Settings.h"
#include "platform/linux/SqliteRegistryStore.h"
#include "settings/RunTimeError.h"
#include "support/TestSupport.h"

#include <gtest/gtest.h>

#include <cmath>
#include <memory>

namespace {

const std::string Root = "Software\\Orvane\\Tallydial";
const std::string Profile = Root + "\\Default";

// A store in a fresh file with one profile, "Default", chosen; in either locale.
class SettingsTest : public ::testing::TestWithParam<Locale> {
protected:
    SettingsTest() {
        m_store = SqliteRegistryStore::Open(m_folder.Path() / "registry.db", m_clock).Store;
        m_profiles.NumOfProfiles = 1;
        m_profiles.ProfileNames = {"", "Default"};
        m_profiles.CurrentProfile = 1;
        m_profiles.ProfileSelected = true;
    }

    const Locale& UserLocale() const { return GetParam(); }
    Settings Helpers() { return Settings(*m_store, UserLocale(), m_profiles); }

    // The stored text of a value, or nothing when it is absent.
    std::optional<std::string> Stored(const std::string& path, const std::string& name) {
        RegistryValue value;
        if (m_store->QueryValue(HKEY_LOCAL_MACHINE, path, name, value) != ERROR_SUCCESS) return std::nullopt;
        EXPECT_EQ(value.Type, REG_SZ) << path << "\\" << name;
        if (value.Data.empty()) return std::string();
        return std::string(value.Data.begin(), value.Data.end() - 1);
    }
    void Store(const std::string& path, const std::string& name, const std::string& text) {
        std::vector<std::uint8_t> data(text.begin(), text.end());
        data.push_back(0);
        ASSERT_EQ(m_store->SetValue(HKEY_LOCAL_MACHINE, path, name, REG_SZ, data), ERROR_SUCCESS);
    }

    TempFolder m_folder;
    FakeClock m_clock;
    std::unique_ptr<SqliteRegistryStore> m_store;
    ProfileList m_profiles;
};

TEST_P(SettingsTest, AbsentOrEmptyValuesTakeTheirDefaultAndStoreItsText) {
    Store(Profile + "\\Misc", "ConnectionDetectMode", "");
    Settings settings = Helpers();
    EXPECT_EQ(settings.GetBaseSetting("ProfileName1", "Default"), Variant("Default"));
    EXPECT_EQ(Stored(Root, "ProfileName1"), "Default");

    const double today = m_clock.Today();
    const struct {
        const char* Section;
        const char* Name;
        Variant Default;
        double Number;
        std::string Text;
    } rows[] = {
        {"Charges", "AskBeforeChanging", std::int16_t{1}, 1, "1"},
        {"Misc", "ConnectionDetectMode", std::int16_t{2}, 2, "2"},
        {"Log", "Enabled", true, -1, "True"},
        {"Log", "Comments", false, 0, "False"},
        {"CumulativeTotal", "LastReset", DateValue{today}, std::floor(today), DayNumberText(today)},
        {"Charges", "Amount2", 0.02, 0.02, "0.02"},
    };
    // The first load stores the defaults as text; the second reads that text back.
    for (int load = 1; load <= 2; ++load) {
        for (const auto& row : rows) {
            SCOPED_TRACE(std::string(row.Name) + ", load " + std::to_string(load));
            EXPECT_EQ(settings.GetProfileNumber(row.Section, row.Name, row.Default).ToDouble(UserLocale()),
                      row.Number);
            EXPECT_EQ(Stored(Profile + "\\" + row.Section, row.Name), row.Text);
        }
        EXPECT_EQ(settings.GetProfileSetting("Country", "Double", "£"), Variant("£"));
    }
    EXPECT_EQ(Stored(Profile + "\\Country", "Double"), "£");
}

TEST_P(SettingsTest, NewProfileTakesOverItsBaseButNeverTheCumulativeTotal) {
    m_profiles.ProfileNames = {"", "Default", "Work"};
    m_profiles.NumOfProfiles = 2;
    m_profiles.CurrentProfile = 2;
    Store(Root + "\\Work", "Base", "Default");
    Store(Profile + "\\Charges", "MinCharge", "0.5");
    Store(Profile + "\\CumulativeTotal", "Money", "12");
    Store(Profile + "\\CumulativeTotal", "Time", "3600");
    Store(Root + "\\Work\\Charges", "FailCharge", "0.7");
    Store(Profile + "\\Charges", "FailCharge", "0.2");
    Settings settings = Helpers();

    EXPECT_EQ(settings.GetProfileSetting("Charges", "MinCharge", std::int16_t{0}), Variant("0.5"));
    EXPECT_EQ(Stored(Root + "\\Work\\Charges", "MinCharge"), "0.5")
        << "taken over into the profile's own key";
    EXPECT_EQ(settings.GetProfileSetting("Charges", "FailCharge", std::int16_t{0}), Variant("0.2"))
        << "while Base is set the base profile wins even over an own value";
    EXPECT_EQ(Stored(Root + "\\Work\\Charges", "FailCharge"), "0.2");

    for (const char* section : {"CumulativeTotal", "cumulativeTOTAL"}) {
        SCOPED_TRACE(section);
        EXPECT_EQ(settings.GetProfileSetting(section, "Money", std::int16_t{0}).ToText(UserLocale()), "0");
        EXPECT_EQ(settings.GetProfileSetting(section, "Time", std::int16_t{0}).ToText(UserLocale()), "0");
    }
    EXPECT_EQ(Stored(Root + "\\Work\\CumulativeTotal", "Money"), "0");

    // Once the load has cleared Base, the base profile no longer reaches this one.
    Store(Root + "\\Work", "Base", "");
    Store(Profile + "\\Charges", "MinCharge", "0.9");
    EXPECT_EQ(settings.GetProfileSetting("Charges", "MinCharge", std::int16_t{0}), Variant("0.5"));
}

TEST_P(SettingsTest, StoreErrorsReachTheCaller) {
    Helpers().SetProfileSetting("Charges", "MinCharge", "1");
    m_store.reset();
    m_store = SqliteRegistryStore::Open(m_folder.Path() / "registry.db", m_clock,
                                        SqliteRegistryStore::Access::ReadOnly)
                  .Store;
    Settings settings = Helpers();
    EXPECT_THROW(settings.SetProfileSetting("Charges", "MinCharge", "5"), RunTimeError);
    EXPECT_THROW(settings.GetProfileSetting("Charges", "FailCharge", std::int16_t{0}), RunTimeError)
        << "storing the default of an absent value fails too";

    m_profiles.CurrentProfile = 5;
    try {
        (void)Helpers().GetProfileSetting("Charges", "MinCharge", std::int16_t{0});
        FAIL() << "no profile, no error";
    } catch (const RunTimeError& e) {
        EXPECT_EQ(e.Number, RunTimeErrors::SubscriptOutOfRange);
    }
}

INSTANTIATE_TEST_SUITE_P(Locales, SettingsTest,
                         ::testing::Values(Locale::DecimalPoint(), Locale::DecimalComma()),
                         [](const auto& row) {
                             return row.param.DecimalSeparator == "," ? "Comma" : "Point";
                         });

const Locale point = Locale::DecimalPoint();
const Locale comma = Locale::DecimalComma();
const Locale plain{".", "", "dd/MM/yyyy", "HH:mm:ss"};

TEST(ParseStoredNumber, ReadsEveryStoredForm) {
    const double day = DateSerial::FromCivil(2026, 12, 2);
    const struct {
        const char* Behaviour;
        Variant Input;
        double Point; // result with a decimal point locale
        double Comma; // result with a decimal comma locale
        std::optional<double> Plain = std::nullopt; // result with a locale without grouping (C, POSIX)
    } rows[] = {
        {"blank then digit", " 3", 3, 3},
        {"padded fraction without zero", " .25", 0.25, 0.25},
        {"point is a decimal point everywhere", "1.5", 1.5, 1.5},
        {"comma follows the locale", "1,5", 15, 1.5, 1.5},
        {"a comma total of an earlier locale keeps its value without grouping", "0,0025004642753629",
         25004642753629, 0.0025004642753629, 0.0025004642753629},
        {"a tiny number without exponent is zero", "0." + std::string(330, '0') + "1", 0, 0},
        {"a huge number is held", "1e300", 1e300, 1e300},
        {"minus zero", "-0", 0, 0, 0},
        {"trailing letters are ignored", "12abc", 12, 12},
        {"no leading number is zero", "abc", 0, 0},
        {"negative padded fraction", "-.5", -0.5, -0.5},
        {"padded exponent", " 1E+20", 1e20, 1e20},
        {"small exponent with point", "1.5E-07", 1.5e-7, 1.5e-7},
        {"blanks inside a pointed number", "1 2.5", 12.5, 12.5},
        {"a point wins over the locale's grouping", "1.234,5", 1.234, 1.234},
        {"word true any case", " tRUE ", -1, -1},
        {"word false", "False", 0, 0},
        {"boolean variant", Variant(true), -1, -1},
        {"whole number variant", Variant(std::int16_t{7}), 7, 7},
        {"double variant in its locale text", Variant(1234.5), 1234.5, 1234.5},
        {"date variant", Variant(DateValue{day}), day, day},
        {"short date of the point locale", "02/12/2026", day, 2},
        {"short date of the comma locale", "02.12.2026", 2.12, day},
    };
    for (const auto& row : rows) {
        SCOPED_TRACE(row.Behaviour);
        const Variant p = ParseStoredNumber(row.Input, point);
        EXPECT_EQ(p.GetKind(), Variant::Kind::Double);
        EXPECT_DOUBLE_EQ(p.ToDouble(point), row.Point);
        EXPECT_DOUBLE_EQ(ParseStoredNumber(row.Input, comma).ToDouble(comma), row.Comma);
        if (row.Plain) {
            EXPECT_DOUBLE_EQ(ParseStoredNumber(row.Input, plain).ToDouble(plain), *row.Plain);
        }
    }
    EXPECT_EQ(ParseStoredNumber("", point), Variant(std::int16_t{0})) << "empty text is the whole number 0";
    EXPECT_EQ(ParseStoredNumber(Variant(), comma), Variant(std::int16_t{0}));
}

TEST(TextForms, EachFormWritesItsText) {
    std::string padded;
    for (double value : {2.0, 0.5, -0.5, -1.25, 1.5, 0.0, 1e20, 1e-7, 1.0 / 3, 123456789012345.0, 3600.25})
        padded += "[" + PaddedNumberText(value) + "]";
    EXPECT_EQ(padded, "[ 2][ .5][-.5][-1.25][ 1.5][ 0][ 1E+20][ 1E-07][ .333333333333333][ 123456789012345]"
                      "[ 3600.25]");

    EXPECT_EQ(PlainIntegerText(-1), "-1");
    EXPECT_EQ(PointNumberText(0.75), "0.75");
    EXPECT_EQ(PointNumberText(1234.5), "1234.5");
    EXPECT_EQ(WordBooleanText(true), "True");
    EXPECT_EQ(WordBooleanText(false), "False");
    EXPECT_EQ(DayNumberText(36526.6), "36527");
    EXPECT_EQ(DayNumberText(36526.25), "36526");
    // Only the first comma of a stored number becomes a point.
    EXPECT_EQ(StoredNumberText("0,75"), "0.75");
    EXPECT_EQ(StoredNumberText("12"), "12");
    EXPECT_EQ(StoredNumberText("1,234,5"), "1.234,5");
}

TEST(TextForms, ParseStoredNumberReadsBackWhatEachFormWrote) {
    const double values[] = {0,      2,       0.5,  -0.5,    -1.25,           0.01,
                             1234.5, 3600.25, 1e20, -2.5e-9, 123456789012345, 86399.5};
    for (const Locale* reader : {&point, &comma, &plain}) {
        for (double value : values) {
            SCOPED_TRACE(std::to_string(value) + " read with '" + reader->DecimalSeparator + "' grouping '" +
                         reader->GroupSeparator + "'");
            EXPECT_EQ(ParseStoredNumber(PaddedNumberText(value), *reader).ToDouble(*reader), value);
            EXPECT_EQ(ParseStoredNumber(PointNumberText(value), *reader).ToDouble(*reader), value);
        }
    }
}

} // namespace
