#include "ui/dialogs/frmOptions.h"
#include "platform/linux/XdgAutostart.h"
#include "support/EngineHarness.h"
#include "ui/widgets/FormWidgets.h"

#include <QAbstractButton>
#include <QComboBox>
#include <QLabel>
#include <QLineEdit>
#include <QListWidget>
#include <QRadioButton>
#include <QTabBar>
#include <QTabWidget>
#include <QtTest>

#include <algorithm>
#include <functional>

namespace {

// The options dialog over a loaded model and store, opened once the test has set the scene.
struct Options : EngineHarness {
    XdgAutostart autostart{folder.Path() / "autostart", "/opt/tally dial/tallydial"};
    FakeMainWindowHost host;
    std::optional<frmOptions> form;

    frmOptions& Open() {
        form.emplace(engine, host, autostart);
        form->Form_Load();
        form->show();
        return *form;
    }
    QLineEdit* Box(const char* name) { return form->findChild<QLineEdit*>(QString::fromLatin1(name)); }
    QAbstractButton* Button(const char* name) {
        return form->findChild<QAbstractButton*>(QLatin1String(name));
    }
    void Type(const char* box, const QString& text) {
        Box(box)->clear();
        QTest::keyClicks(Box(box), text);
    }
    void Ok() { QTest::mouseClick(Button("cmdOK"), Qt::LeftButton); }
    std::string RunEntry() {
        return settings.ReadRegistryValue(kRunKey, kRunValue, REG_SZ, HKEY_CURRENT_USER).ToText(locale);
    }
};

using Setup = std::function<void(Options&)>;

// One OK of the dialog over a duration alarm of 1 h 30 min that has sounded: the scene set before
// opening, what the user does on the form, the texts stored ("section/value=text") and whether
// the alarm is armed again.
struct StoreRow {
    const char* name;
    Setup scene;
    Setup onTheForm;
    QStringList stored;
    bool rearmed = false;
};

// Types each text into its box, as the user would.
Setup Typing(std::vector<std::pair<const char*, const char*>> boxes) {
    return [boxes](Options& o) {
        for (const auto& [box, text] : boxes)
            o.Type(box, QString::fromUtf8(text));
    };
}

const std::vector<StoreRow>& StoreRows() {
    const auto none = [](Options&) {};
    // The free-time boxes take typing only while the free time is limited.
    const auto limited = [](Options& o) { o.g.UnlimitedTime = false; };
    static const std::vector<StoreRow> rows = {
        {"nothing changed: what was loaded goes back, the limit is neither stored nor armed again",
         [](Options& o) {
             o.g.ConnectionDetectMode = DetectMode::Compatibility;
             o.g.AlarmTotal = 2;
             o.g.TaskBarFrom = 1;
         },
         none,
         {"Alarm/Alarm= 2", "Alarm/Time=(absent)", "Alarm/Money=(absent)", "Alarm/Total= 2",
          "Misc/ConnectionDetectMode= 3", "TaskBar/Display=2", "TaskBar/From=1"}},
        {"hours that are no number keep the time, take the money and arm the alarm again",
         none,
         Typing({{"txtATimeHours", "x"}, {"txtAMoney", "£2.5"}}),
         {"Alarm/Time= 5400", "Alarm/Money=2.5"},
         true},
        {"a decimal comma in free hours, a price stored with a point and seconds rounded to even",
         [limited](Options& o) {
             o.locale = Locale::DecimalComma();
             limited(o);
         },
         Typing({{"txtFreeTime", "1,5"}, {"PerMin(0)", "£0,05"}, {"chkAutoDisconnectTime", "2,5"}}),
         {"ISP Charges/FreeTimePerMonth= 5400", "Charges/Amount1=0.05", "Alarm/AutoDisconnectTime=2"}},
        {"numbers beyond what the setting holds keep the old values",
         limited,
         [](Options& o) {
             Typing({{"txtFreeTime", "1e306"}, {"chkAutoDisconnectTime", "40000"}, {"txtResetDay", "40000"}})(
                 o);
             o.Box("PerMin(1)")->setText(QString(10000, QLatin1Char('9')));
         },
         {"ISP Charges/FreeTimePerMonth= 0", "Alarm/AutoDisconnectTime=25", "ISP Charges/ResetDay= 1",
          "Charges/Amount2=0.02"}},
        {"letters, a blank and another letter's price in money boxes",
         [](Options& o) { o.g.CurrencyLetter = "$"; },
         Typing({{"txtMinCharge", "abc"}, {"txtFailCost", ""}, {"PerMin(0)", "£0.05"}}),
         {"Charges/MinCharge=0", "Charges/FailCharge=0", "Charges/Amount1=0"}},
        {"a new currency letter keeps every amount; a new limit of 2 h 15 min arms the alarm again",
         [](Options& o) { o.g.CostPerHour = 1.2; },
         Typing({{"Cur", "$"}, {"txtATimeHours", "2"}, {"txtATimeMins", "15"}}),
         {"Country/Double=$", "Charges/Amount2=0.02", "ISP Charges/CostPerHour= 1.2", "Alarm/Alarm= 2",
          "Alarm/Time= 8100"},
         true},
        {"a data allowance with decimals, a new warning level that warns again, and the hang-up",
         [](Options& o) { o.g.DataWarned = true; },
         [](Options& o) {
             Typing({{"txtDataAllowance", "12.5"}, {"txtDataWarning", "90"}})(o);
             o.Button("chkDataHangUp")->click();
         },
         {"ISP Charges/DataAllowance=12.5", "Alarm/DataWarning=90", "Alarm/DataHangUp=1",
          "Alarm/DataWarned=False"}},
        {"word booleans, plain integers, no detection option, an alarm box cleared whatever the drop-down",
         none,
         [](Options& o) {
             for (const char* name :
                  {"ChkUnlimitedTime", "chkISPAlarm", "chkHideOnStart", "TimeOrMoney(0)", "chkUseAlarm"})
                 o.Button(name)->click();
             for (const char* name : {"optFully", "optStart", "optNT"}) {
                 o.Button(name)->setAutoExclusive(false);
                 o.Button(name)->setChecked(false);
             }
         },
         {"ISP Charges/UnlimitedTime=False", "Alarm/ISPAlarm=True", "Misc/HideOnStart=-1", "Log/Comments=0",
          "TaskBar/Display=1", "Misc/ConnectionDetectMode= 2", "Alarm/Alarm= 3"}},
    };
    return rows;
}

} // namespace

class OptionsFormTest : public QObject {
    Q_OBJECT

private slots:
    void tabsCarryCaptionsTipsAndHelp() {
        Options o;
        QTabWidget* tabs = o.Open().findChild<QTabWidget*>(QStringLiteral("tbsOptions"));
        QCOMPARE(o.form->focusWidget(), tabs->tabBar());            // the keyboard starts on the tab strip
        QVERIFY(o.form->testAttribute(Qt::WA_KeyboardFocusChange)); // and the focus is drawn there
        QCOMPARE(tabs->tabText(3), QStringLiteral("ISP charges"));
        QCOMPARE(tabs->tabToolTip(3), QStringLiteral("Set ISP (Internet Service Provider) charges"));

        // Ctrl+Tab goes on from the last tab to the first; F1 asks for the page's topic.
        QTest::keyClick(o.Box("Cur"), Qt::Key_Tab, Qt::ControlModifier);
        QCOMPARE(tabs->currentIndex(), 1);
        QTest::keyClick(o.Box("Cur"), Qt::Key_F1);
        QCOMPARE(o.form->CommonDialog1.HelpCommand, 1);
        QCOMPARE(o.form->CommonDialog1.HelpContextNumber, 1017);
        tabs->setCurrentIndex(7);
        QCOMPARE(o.form->CommonDialog1.HelpContextNumber, 1011);
        QTest::keyClick(o.Box("Cur"), Qt::Key_Tab, Qt::ControlModifier);
        QCOMPARE(tabs->currentIndex(), 0);
    }

    void openingShowsTheModel() {
        Options o;
        o.g.AlarmKind = AlarmType::None;
        o.g.AlarmTime = 5430;
        o.g.FreeTimePerMonth = 5400;
        o.g.ConnectionDetectMode = DetectMode{0};
        o.g.AutoDetect = false;
        o.settings.WriteRegistryValue(kRunKey, kRunValue, REG_SZ, Variant("   "), HKEY_CURRENT_USER);
        o.Open();
        QVERIFY(!o.Button("chkUseAlarm")->isChecked());
        QComboBox* kind = o.form->findChild<QComboBox*>(QStringLiteral("cboACostDuration"));
        QCOMPARE(kind->currentText(), QStringLiteral("Cost"));
        QVERIFY(o.Box("txtAMoney")->isVisibleTo(o.form->PicOptions[4]));
        QCOMPARE(o.Box("txtATimeHours")->text(), QStringLiteral("1"));
        QCOMPARE(o.Box("txtATimeMins")->text(), QStringLiteral("30.5"));
        QCOMPARE(o.Box("txtFreeTime")->text(), QStringLiteral("1.5"));
        QVERIFY(o.Button("optFully")->isChecked());
        QVERIFY(!o.Button("chkAutoRun")->isChecked());
        // Detection off: the options are disabled but keep their selection.
        QVERIFY(!o.Button("optFully")->isEnabled());

        kind->setCurrentText(QStringLiteral("Duration"));
        QVERIFY(o.Box("txtATimeHours")->isVisibleTo(o.form->PicOptions[4]));
        QVERIFY(!o.Box("txtFreeTime")->isEnabled());
        o.Button("ChkUnlimitedTime")->click();
        QVERIFY(o.Box("txtFreeTime")->isEnabled());
        QVERIFY(o.Button("cmdSetFreeTimeLeft")->isEnabled());
    }

    void okStoresEachValueInItsForm_data() {
        QTest::addColumn<size_t>("row");
        for (size_t i = 0; i < StoreRows().size(); ++i)
            QTest::newRow(StoreRows()[i].name) << i;
    }
    void okStoresEachValueInItsForm() {
        QFETCH(size_t, row);
        const StoreRow& r = StoreRows()[row];
        Options o;
        o.g.AlarmKind = AlarmType::Time;
        o.g.AlarmTime = 5400;
        o.g.AlarmSounded = true;
        for (const char* limit : {"Time", "Money"})
            o.store->DeleteValue(HKEY_LOCAL_MACHINE, "Software\\Orvane\\Tallydial\\Default\\Alarm", limit);
        r.scene(o);
        o.Open();
        r.onTheForm(o);
        o.Ok();
        QVERIFY(!o.form->isVisible());
        QStringList seen;
        for (const QString& expected : r.stored) {
            const QString key = expected.section(QLatin1Char('='), 0, 0);
            const auto text =
                o.Stored(S(key.section(QLatin1Char('/'), 0, 0)), S(key.section(QLatin1Char('/'), 1)));
            seen << key + "=" + QString::fromStdString(text.value_or("(absent)"));
        }
        QCOMPARE(seen, r.stored);
        QCOMPARE(o.g.AlarmSounded, !r.rearmed);
    }

    // OK brings the main window up to date; the start-up entry stays a value and starts the program at logon.
    void okUpdatesTheMainWindowAndTheStartUpEntry() {
        Options o;
        o.Open();
        o.Type("RateName(0)", "Peak");
        o.Button("AutoCheckbox")->click();
        o.Button("chkAutoRun")->click();
        o.Ok();
        QCOMPARE(o.view.RateList.front(), std::string("Peak"));
        QCOMPARE(o.view.Rate, std::string("Peak"));
        QCOMPARE(o.view.StartStopCaption, std::string("Start"));
        QVERIFY(o.view.StartStopEnabled && o.view.MenuStartStopEnabled);
        QCOMPARE(o.RunEntry(), std::string("/opt/tally dial/tallydial"));
        QVERIFY(
            std::ranges::count(o.LogLines(o.autostart.EntryPath()), R"(Exec="/opt/tally dial/tallydial")"));
        // What the shell would split or expand is quoted the desktop entry's way, and only that.
        QCOMPARE(XdgAutostart::ExecValue("/a b/$x%"), std::string(R"("/a b/\\$x%%")"));

        o.Open();
        QVERIFY(o.Button("chkAutoRun")->isChecked());
        o.Button("chkAutoRun")->click();
        o.Ok();
        RegistryValue value;
        QCOMPARE(o.store->QueryValue(HKEY_CURRENT_USER, kRunKey, kRunValue, value), ERROR_SUCCESS);
        QCOMPARE(o.RunEntry(), std::string());
        QVERIFY(!std::filesystem::exists(o.autostart.EntryPath()));
    }

    void deletingProfilesKeepsTheOneInUseByName() {
        Options o;
        o.g.Profiles.NumOfProfiles = 3;
        o.g.Profiles.ProfileNames = {"", "Home", "Default", "Work"};
        o.g.Profiles.CurrentProfile = 2;
        for (int i = 1; i <= 3; ++i)
            o.settings.SetBaseSetting("ProfileName" + std::to_string(i), o.g.Profiles.ProfileNames[i]);
        const auto base = [&](const std::string& name) {
            return o.settings.ReadRegistryValue(Settings::BaseKey, name, REG_SZ).ToText(o.locale);
        };
        QListWidget* list = o.Open().lstProfiles;
        const auto remove = [&](int row, MsgResult answer) {
            list->setCurrentRow(row);
            o.ui.Answers = {answer};
            o.Button("Command5")->click();
        };
        remove(2, MsgResult::No);
        QCOMPARE(list->currentRow(), 2);
        QCOMPARE(o.ui.Messages.back().Prompt, std::string("Delete profile?"));
        remove(1, MsgResult::Yes);
        QCOMPARE(o.ui.Messages.back().Prompt, std::string("You can't delete the profile that is in use."));
        QCOMPARE(list->currentRow(), 1);
        remove(2, MsgResult::Yes);
        QCOMPARE(list->count(), 2);
        o.Ok();
        QCOMPARE(base("NumOfProfiles"), std::string(" 2"));
        QCOMPARE(base("ProfileName2"), std::string("Default"));
        QVERIFY(o.view.ProfileFrameVisible);

        // A profile listed before the one in use goes: the program stays with its own.
        list = o.Open().lstProfiles;
        remove(0, MsgResult::Yes);
        remove(0, MsgResult::Yes); // the last one stays, unasked
        QCOMPARE(list->count(), 1);
        QCOMPARE(o.ui.Messages.size(), size_t{4});
        o.Ok();
        QCOMPARE(o.g.Profiles.CurrentName(), std::string("Default"));
        QVERIFY(!o.view.ProfileFrameVisible);
    }
};

QTEST_MAIN(OptionsFormTest)
#include "frmOptionsTest.moc"
