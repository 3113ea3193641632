#include "platform/linux/SingleInstance.h"
#include "platform/linux/SqliteRegistryStore.h"
#include "settings/DateSerial.h"
#include "support/EngineHarness.h"
#include "ui/settings/frmChooseProfile.h"
#include "ui/startup/DesktopApplication.h"
#include "ui/startup/DesktopUserInterface.h"
#include "ui/startup/ZTray.h"
#include "ui/startup/frmMain.h"
#include "ui/startup/frmSplash.h"
#include "ui/widgets/DesktopLocale.h"
#include "ui/widgets/Twips.h"

#include <QAction>
#include <QComboBox>
#include <QDialog>
#include <QGroupBox>
#include <QLabel>
#include <QListWidget>
#include <QMenu>
#include <QMessageBox>
#include <QPushButton>
#include <QScreen>
#include <QSystemTrayIcon>
#include <QToolTip>
#include <QtTest>

#include <array>
#include <csignal>
#include <functional>
#include <memory>

namespace {

// One start of the program against the harness's store and folder.
struct Run : StoreHarness {
    explicit Run(const std::string& arguments = {}) : Arguments(arguments) {}

    DesktopApplication& Start(std::function<void()> duringSplash = {}) {
        Program = std::make_unique<DesktopApplication>(*store, clock, Ui, Instance, locale, Arguments,
                                                       folder.Path().string());
        Program->SetWait([duringSplash](double) {
            if (duringSplash) duringSplash();
        });
        Program->Start();
        return *Program;
    }

    ScriptedUserInterface Ui;
    SingleInstance Instance{folder.Path() / "instance.lock"};
    std::string Arguments;
    std::unique_ptr<DesktopApplication> Program;
};

// Can open a real modal window with its own loop, as the desktop opens one, and raise SIGTERM in it.
class ModalUserInterface : public PromptingUserInterface {
public:
    MsgResult MsgBox(const std::string& prompt, MsgButtons buttons, MsgIcon icon,
                     const std::string& title) override {
        if (!RealDialog) return PromptingUserInterface::MsgBox(prompt, buttons, icon, title);
        QDialog dialog;
        QTimer::singleShot(0, [] { std::raise(SIGTERM); });
        const int shown = dialog.exec();
        Messages.push_back({prompt, buttons, icon, title});
        return shown == QDialog::Accepted ? MsgResult::OK : MsgResult::Cancel;
    }
    bool RealDialog = false;
};

// The main window loaded over the harness's store and line.
struct Program : StoreHarness {
    Program() {
        main.SetDialUpService(line);
        main.Form_Load();
    }

    ModalUserInterface ui;
    frmMain main{g, settings, clock, ui};
};

// Each caption fits its control, and each control shown lies inside its frame.
void CaptionsFitInsideTheirFrames(QWidget& window) {
    for (QWidget* control : window.findChildren<QWidget*>()) {
        QString text;
        int room = control->width(); // less what the control needs beside its text
        if (auto* label = qobject_cast<QLabel*>(control))
            text = label->text(), room = label->contentsRect().width();
        else if (auto* button = qobject_cast<QPushButton*>(control))
            text = button->text(), room -= 8;
        else if (auto* box = qobject_cast<QGroupBox*>(control))
            text = box->title(), room -= 16;
        else
            continue;
        QVERIFY2(control->fontMetrics().horizontalAdvance(text) <= room,
                 qPrintable(control->objectName() + " cuts " + text));
        QVERIFY2(!control->isVisible() || control->parentWidget()->rect().contains(control->geometry()),
                 qPrintable(control->objectName() + " is outside its frame"));
    }
}

// A message box's buttons, the one pressed and the answer it gives.
struct AnswerRow {
    MsgButtons Buttons;
    QMessageBox::StandardButton Pressed;
    MsgResult Answer;
};

// Figures stored at their widest: the currency, amounts, seconds, profile name and the data allowance in
// gigabytes (and the month's bytes as many), and whether the window widens for them.
struct FiguresRow {
    QString Currency, Amount, Seconds, Profile, Allowance;
    bool Wider;
};

} // namespace

Q_DECLARE_METATYPE(AnswerRow)
Q_DECLARE_METATYPE(FiguresRow)

class StartupFormTest : public QObject {
    Q_OBJECT

private slots:
    // Asked to start hidden: the offscreen desktop has no tray, so the window shows all the same.
    void oneProfileShowsTheMainWindowLaidOutAndASecondStartBringsItForward() {
        Run run;
        run.settings.SetProfileSetting("Misc", "HideOnStart", "-1");
        // Started by a profile switch: the window comes up where the closing copy's was.
        qputenv("TALLYDIAL_WINDOW_AT", "40,30");
        DesktopApplication& program = run.Start();
        frmMain* main = program.MainWindow();
        QVERIFY(main && main->isVisible());
        QCOMPARE(main->geometry().topLeft(), QPoint(40, 30));
        QVERIFY(qEnvironmentVariableIsEmpty("TALLYDIAL_WINDOW_AT")); // not handed on to its own copies
        QVERIFY(!program.Splash()); // gone with its picture once the main window is up
        QCOMPARE(main->height(), Twips::ToPixels(5820 - 345, main));
        QVERIFY(!main->frameProfile->isVisible());
        QVERIFY(main->ZTray->IsIconVisible());
        QCOMPARE(main->windowTitle(), QStringLiteral("Tallydial"));
        QCOMPARE(main->Rate->currentText(), QStringLiteral("Daytime"));
        QVERIFY(!main->StartStop->isEnabled()); // automatic detection

        // The figures loaded are pinned on the model; here they reach the window as written.
        QCOMPARE(main->LastResetLabel->text(), QStringLiteral("02/12/2026"));
        CaptionsFitInsideTheirFrames(*main);

        // A second copy is refused and brings this window forward; the restart token gets past.
        SingleInstance lock(run.folder.Path() / "instance.lock");
        ScriptedUserInterface ui;
        std::vector<std::unique_ptr<DesktopApplication>> copies;
        const auto another = [&](const char* arguments) -> DesktopApplication& {
            copies.push_back(std::make_unique<DesktopApplication>(*run.store, run.clock, ui, lock, run.locale,
                                                                  arguments, run.folder.Path().string()));
            copies.back()->SetWait([](double) {});
            copies.back()->Start();
            return *copies.back();
        };
        main->showMinimized();
        QVERIFY(another("").Ended());
        QCOMPARE(ui.Messages.at(0).Icon, MsgIcon::Critical);
        QTRY_VERIFY(!main->isMinimized());
        QVERIFY(main->isVisible());
        frmMain* restarted = another("APPRESTARTPROFILEORVANE").MainWindow();
        QVERIFY(restarted->isVisible());
        // The copy that ends after the switch leaves the new copy reachable.
        run.Program.reset();
        restarted->showMinimized();
        another("");
        QTRY_VERIFY(!restarted->isMinimized());
    }

    void twoProfilesWithoutMatchAskThenStartInTheChosenOneOrEndWhenTheChooserIsClosed() {
        Run closed;
        closed.StoreProfiles("2");
        closed.Start().Chooser()->close();
        QVERIFY(closed.Program->Ended());

        Run run("office");
        const QString longName(255, QChar(0x0416));
        run.StoreProfiles("3|Home|Work|" + longName.toStdString());
        DesktopApplication& program = run.Start();
        frmChooseProfile* chooser = program.Chooser();
        QVERIFY(chooser && chooser->isVisible());
        QCOMPARE(chooser->windowTitle(), QStringLiteral("Tallydial - Select Profile"));
        QVERIFY(chooser->width() > chooser->fontMetrics().horizontalAdvance(chooser->windowTitle()));
        QCOMPARE(chooser->lstProfiles->count(), 3);
        // A long name is cut to the list's width, whole in its tool tip, with no scrolling sideways.
        QListWidgetItem* longest = chooser->lstProfiles->item(2);
        QVERIFY(longest->text().endsWith(QChar(0x2026)));
        QCOMPARE(longest->toolTip().remove(QLatin1Char('\n')), longName);
        QVERIFY(QFontMetrics(QToolTip::font()).boundingRect({}, 0, longest->toolTip()).width() <
                chooser->screen()->availableGeometry().width());
        QVERIFY(chooser->lstProfiles->visualItemRect(longest).width() <=
                chooser->lstProfiles->viewport()->width());
        QVERIFY(chooser->lstProfiles->item(1)->toolTip().isEmpty());
        chooser->lstProfiles->item(1)->setSelected(true);
        QTest::mouseClick(chooser->Command1, Qt::LeftButton);
        QVERIFY(!chooser->isVisible());
        frmMain* main = program.MainWindow();
        QVERIFY(main && main->isVisible());
        QCOMPARE(main->lblCurrentProfile->text(), QStringLiteral("Work"));
        QCOMPARE(main->height(), Twips::ToPixels(6720 - 345, main));
        QVERIFY(main->frameProfile->isVisible());
    }

    // Figures stored at their widest, under a three-letter currency; the window widens for them and
    // keeps its two columns of frames.
    void everyFigureShowsWholeAndTheFramesKeepTheirColumns_data() {
        QTest::addColumn<FiguresRow>("row");
        QTest::newRow("pound sign, a fresh profile's figures")
            << FiguresRow{"\u00a3", "0", "0", "Home", "0", false};
        QTest::newRow("three letters, 99999.999, 9999:59:59 and 999.9 of 999.9 GB")
            << FiguresRow{"EUR", "99999.999", "35999999", "Home", "999.9", true};
        QTest::newRow("a name of 255 letters of another script, elided")
            << FiguresRow{"\u00a3", "0.055", "0", QString(255, QChar(0x0416)), "0", false};
    }

    void everyFigureShowsWholeAndTheFramesKeepTheirColumns() {
        QFETCH(FiguresRow, row);
        const QString& profile = row.Profile;
        const std::string amount = row.Amount.toStdString(), seconds = row.Seconds.toStdString();
        Run run(profile.toStdString());
        run.StoreProfiles("2|Other|" + profile.toStdString());
        run.g.Profiles.ProfileNames[1] = profile.toStdString(); // the profile the settings below go to
        for (const auto& [section, name, value] : std::vector<std::array<std::string, 3>>{
                 {"Country", "Double", row.Currency.toStdString()},
                 {"CumulativeTotal", "Money", amount},
                 {"CumulativeTotal", "Time", seconds},
                 {"Charges", "Amount1", amount},
                 {"ISP Charges", "UnlimitedTime", "0"},
                 {"ISP Charges", "FreeTimeLeft", seconds},
                 {"ISP Charges", "CostPerHour", amount},
                 {"ISP Charges", "DataAllowance", row.Allowance.toStdString()},
                 {"ISP Charges", "DataUsed", std::to_string(std::llround(row.Allowance.toDouble() * 1e9))}})
            run.settings.SetProfileSetting(section, name, value);
        frmMain* main = run.Start().MainWindow();
        QVERIFY(main && main->isVisible());
        QVERIFY(main->Cost->text().startsWith(row.Currency));
        QCOMPARE(main->width() > Twips::ToPixels(6000, main), row.Wider);
        CaptionsFitInsideTheirFrames(*main);
        QCOMPARE(main->Frame2->x(), main->Frame4->x());
        QCOMPARE(main->Frame1->width(), main->Frame3->width());
        QVERIFY(main->Frame1->geometry().right() < main->Frame2->x());
        const bool elided = main->lblCurrentProfile->text() != profile;
        QCOMPARE(main->lblCurrentProfile->toolTip().remove(QLatin1Char('\n')), elided ? profile : QString());
        QCOMPARE(elided, profile.size() == 255);
    }

    void desktopPatternsBecomeOurs_data() {
        QTest::addColumn<QString>("pattern");
        QTest::addColumn<bool>("isDate");
        QTest::addColumn<QString>("expected");
        QTest::newRow("american date") << "M/d/yy" << true << "M/d/yy";
        QTest::newRow("month name keeps the default") << "d MMM yyyy" << true << "";
        QTest::newRow("12-hour clock without a day period reads as 24-hour")
            << "h:mm:ss" << false << "H:mm:ss";
        QTest::newRow("day period said as AM or PM") << "h:mm B" << false << "h:mm AP";
        QTest::newRow("am pm kept") << "h:mm:ss AP t" << false << "h:mm:ss AP";
        QTest::newRow("quoted words kept") << "HH 'h' mm 'min' ss 's' t" << false << "HH 'h' mm 'min' ss 's'";
        QTest::newRow("letters of other scripts are text") << "H時mm分ss秒" << false << "H時mm分ss秒";
    }

    // The rate question says the time in the desktop's own words, and dates read as the desktop writes them.
    void timeAndDateReadRightInEveryLocale() {
        const double serial = DateSerial::FromCivil(2026, 12, 2) + (14 * 3600 + 5 * 60 + 30) / 86400.0;
        const QTime time(14, 5, 30);
        const QDate date(2026, 12, 2);
        for (const QLocale& desktop :
             QLocale::matchingLocales(QLocale::AnyLanguage, QLocale::AnyScript, QLocale::AnyTerritory)) {
            Locale ours;
            ours.TimeFormat = ConvertTimePattern(desktop.timeFormat(QLocale::LongFormat));
            const std::string datePattern = ConvertDatePattern(desktop.dateFormat(QLocale::ShortFormat));
            if (!datePattern.empty()) ours.ShortDateFormat = datePattern;
            // Qt reads our patterns alike; its C locale writes AM and PM as we do.
            QCOMPARE(QString::fromStdString(ours.FormatTime(serial)),
                     QLocale::c().toString(time, QString::fromStdString(ours.TimeFormat)));
            QCOMPARE(QString::fromStdString(ours.FormatShortDate(serial)),
                     QLocale::c().toString(date, QString::fromStdString(ours.ShortDateFormat)));
            QCOMPARE(ours.ParseShortDate(ours.FormatShortDate(serial)),
                     std::optional<double>(std::floor(serial)));
        }
    }

    void desktopPatternsBecomeOurs() {
        QFETCH(QString, pattern);
        QFETCH(bool, isDate);
        QFETCH(QString, expected);
        const std::string result = isDate ? ConvertDatePattern(pattern) : ConvertTimePattern(pattern);
        QCOMPARE(QString::fromStdString(result), expected);
    }

    void messageBoxAnswersWithThePressedButtonUnderTheProgramsTitle_data() {
        QTest::addColumn<AnswerRow>("row");
        QTest::newRow("OK") << AnswerRow{MsgButtons::OKCancel, QMessageBox::Ok, MsgResult::OK};
        QTest::newRow("Cancel") << AnswerRow{MsgButtons::OKCancel, QMessageBox::Cancel, MsgResult::Cancel};
        QTest::newRow("Yes") << AnswerRow{MsgButtons::YesNo, QMessageBox::Yes, MsgResult::Yes};
        QTest::newRow("No") << AnswerRow{MsgButtons::YesNo, QMessageBox::No, MsgResult::No};
    }
    void messageBoxAnswersWithThePressedButtonUnderTheProgramsTitle() {
        QFETCH(AnswerRow, row);
        DesktopUserInterface ui;
        QString title;
        QTimer::singleShot(0, [&] {
            auto* box = qobject_cast<QMessageBox*>(QApplication::activeModalWidget());
            title = box->windowTitle();
            box->button(row.Pressed)->click();
        });
        QCOMPARE(ui.MsgBox("Sure?", row.Buttons), row.Answer);
        QCOMPARE(title, QStringLiteral("Tallydial"));
    }

    void trayIconShowsTheWindowOrItsOwnMenuAndOnlyBeepsWhileAPromptIsOpen() {
        Program p;
        QCOMPARE(p.main.ZTray->Icon()->contextMenu(), p.main.TrayMenu);
        const auto usable = [&] {
            QStringList names;
            for (QAction* action : p.main.TrayMenu->actions())
                if (!action->isSeparator() && action->isEnabled())
                    names << action->objectName() + "=" + action->text();
            return names;
        };
        p.g.TrayEnabled = false;
        emit p.main.TrayMenu->aboutToShow();
        QCOMPARE(p.ui.Beeps, 1);
        QCOMPARE(usable(), QStringList());
        p.g.TrayEnabled = true;
        emit p.main.TrayMenu->aboutToShow();
        QCOMPARE(usable(),
                 (QStringList{"mShow=Show Main Window", "mViewLog=View Log",
                              "mChgProfile=Change Current Profile", "mOptions=Options", "mExit=Exit"}));
        int pressed = 0; // a menu item presses its button
        QObject::connect(p.main.cmdOptions, &QPushButton::clicked, [&] { ++pressed; });
        p.main.mOptions->trigger();
        QCOMPARE(pressed, 1);
        // The left button shows the window, the others pop the menu up.
        QSignalSpy clicks(p.main.ZTray, &ZTray::Click);
        p.main.setVisible(false);
        emit p.main.ZTray->Icon()->activated(QSystemTrayIcon::Trigger);
        QVERIFY(p.main.isVisible());
        emit p.main.ZTray->Icon()->activated(QSystemTrayIcon::MiddleClick);
        QVERIFY(p.main.TrayMenu->isVisible());
        // Qt pops the attached menu up before it reports the right click; that click is not ours.
        emit p.main.ZTray->Icon()->activated(QSystemTrayIcon::Context);
        QCOMPARE(clicks.count(), 2);
        QCOMPARE(clicks[1][0].value<qint16>(), qint16{4});
    }

    // The offscreen desktop has no tray, as some real ones don't: the window is never hidden out of reach.
    void withoutATrayTheWindowStaysInReachAndATrayClickWhileACommentIsAskedOnlyBeeps() {
        QVERIFY(!ZTray::Available());
        Program p;
        p.g.HideOnLogon = true;
        p.g.LogComments = true;
        p.main.ShowMainWindow();
        p.Connected();
        p.main.Timer1_Timer();
        QVERIFY(p.main.isVisible());
        QTest::mouseClick(p.main.hide, Qt::LeftButton);
        QVERIFY(p.main.isVisible());
        QVERIFY(p.main.isMinimized());

        p.clock.Advance(10);
        p.Idle();
        bool inCallWhileAsked = true;
        p.ui.WhileAsked = [&] {
            emit p.main.ZTray->Click(1);
            // The timer firing inside the prompt's loop must not tick again.
            p.line.Connections = {{2, "Y"}};
            p.line.Flag = true;
            p.main.Timer1_Timer();
            inCallWhileAsked = p.g.InCall;
        };
        p.main.Timer1_Timer();
        QCOMPARE(p.ui.Beeps, 1);
        QVERIFY(!inCallWhileAsked);
        QCOMPARE(p.LogLines().size(), size_t{10});
    }

    // An end from outside before the load (in the splash's time) has nothing to save: the stored totals
    // stay as they are and no main window comes.
    void anEndBeforeTheLoadSavesNothingAndEndsTheStart() {
        Run run;
        run.settings.SetProfileSetting("CumulativeTotal", "Time", "1000");
        frmMain unloaded{run.g, run.settings, run.clock, run.Ui};
        int ends = 0;
        unloaded.SetEndBeforeLoad([&ends] { ++ends; });
        unloaded.RequestUnload(UnloadModes::TaskManager);
        QCOMPARE(ends, 1);
        QCOMPARE(run.Stored("CumulativeTotal", "Time"), std::optional<std::string>("1000"));

        DesktopApplication& program = run.Start([&run] { run.Program->EndProgram(); });
        QVERIFY(program.Ended());
        QVERIFY(!program.MainWindow());
    }

    // The closing question answered No keeps the window; a signal while a modal window is open unloads it
    // after that window's handler, without the question. What the exit saves is pinned on the window's
    // commands.
    void closingAnsweredNoKeepsTheWindowAndASignalUnloadsItAfterTheOpenWindowsHandler() {
        Program p;
        p.Connected();
        p.main.Timer1_Timer();
        p.clock.Advance(20);
        p.ui.Answers = {MsgResult::No, MsgResult::No};
        QVERIFY(!p.main.close());
        p.main.mExit->trigger();
        QCOMPARE(p.ui.Messages.size(), size_t{2});
        QCOMPARE(p.ui.Messages[1].Title, std::string("Close Tallydial?"));
        QCOMPARE(p.ui.Messages[1].Buttons, MsgButtons::YesNo);
        QVERIFY(p.main.Timer1->isActive());

        p.ui.RealDialog = true;
        p.main.Command2->click(); // the reset's question opens; SIGTERM arrives while it is open
        // The question was closed as cancelled and its handler finished before the unload.
        QCOMPARE(p.ui.Messages.size(), size_t{3});
        QCOMPARE(p.g.CumulativeTime, 0.0);
        QTRY_VERIFY(p.main.Unloaded());
        QCOMPARE(p.ui.Messages.size(), size_t{3});
        QVERIFY(!p.main.Timer1->isActive());
        QVERIFY(!p.main.ZTray->IsIconVisible());
    }
};

QTEST_MAIN(StartupFormTest)
#include "StartupFormTest.moc"
