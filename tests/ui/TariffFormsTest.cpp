#include "engine/AlarmCountdown.h"
#include "support/EngineHarness.h"
#include "ui/engine/frmAlarm.h"
#include "ui/engine/frmAlarmDisconnect.h"
#include "ui/startup/frmMain.h"

#include <QCheckBox>
#include <QComboBox>
#include <QLabel>
#include <QPushButton>
#include <QtTest>

namespace {

// The countdown window shown over a line with one connection, 25 s to go.
struct CountdownWindow : EngineHarness {
    explicit CountdownWindow(AlarmCountdown::For reason = AlarmCountdown::For::Alarm)
        : countdown{g, settings, clock, line, reason} {
        Connected();
        g.AlarmMessage = "You have spent more than \u00A301.00";
        g.AutoDisconnect = true;
        g.AutoDisconnectTime = 25;
        g.DataHangUp = 1;
        settings.SetProfileSetting("Alarm", "AutoDisconnect", "-1");
        settings.SetProfileSetting("Alarm", "DataHangUp", "1");
        form.emplace(countdown, ui, [this] { ++beeps; });
        form->show();
    }
    AlarmCountdown countdown;
    int beeps = 0;
    std::optional<frmAlarmDisconnect> form;
};

} // namespace

class TariffFormsTest : public QObject {
    Q_OBJECT

private slots:
    void plainAlarmBeepsShowsTheMessageAndClosesOnOK() {
        int beeps = 0;
        frmAlarm form(QStringLiteral("You have run out of ISP free time"), [&] { ++beeps; });
        form.show();
        QCOMPARE(beeps, 1);
        QCOMPARE(Label(form, "text"), QStringLiteral("You have run out of ISP free time"));
        QCOMPARE(Button(form, "Command1")->text(), QStringLiteral("OK"));
        QTest::mouseClick(Button(form, "Command1"), Qt::LeftButton);
        QVERIFY(!form.isVisible());
    }

    void countdownWindowShowsTheCountAndItsDoneState() {
        CountdownWindow w;
        frmAlarmDisconnect& form = *w.form;

        QCOMPARE(w.beeps, 1);
        QCOMPARE(
            (QStringList{form.windowTitle(), Label(form, "text"), Label(form, "Label1"),
                         Label(form, "lblSecondsToDiscon"), Label(form, "Label2"), Check(form)->text(),
                         Button(form, "cmdDisconnectNow")->text(), Button(form, "cmdStayConnected")->text()}),
            (QStringList{"Alarm", "You have spent more than \u00A301.00",
                         "Tallydial will disconnect you from the Internet in", "00", "seconds",
                         "Don't ever automatically disconnect", "Disconnect Now", "Don't Disconnect"}));

        w.clock.Advance(4.9);
        form.Timer1_Timer();
        QCOMPARE(Label(form, "lblSecondsToDiscon"), QStringLiteral("20"));
        w.clock.Advance(19.5);
        form.Timer1_Timer();
        QCOMPARE(Label(form, "lblSecondsToDiscon"), QStringLiteral("01"));
        QVERIFY(w.line.HungUp.empty());
        w.clock.Advance(0.6);
        form.Timer1_Timer();
        form.Timer1_Timer();
        QCOMPARE(Label(form, "lblSecondsToDiscon"), QStringLiteral("00"));
        QCOMPARE(w.line.HungUp, std::vector<std::uint64_t>{1}); // once
        QCOMPARE(Button(form, "cmdStayConnected")->text(), QStringLiteral("OK"));
        QVERIFY(!Button(form, "cmdDisconnectNow")->isEnabled());
        QVERIFY(!Check(form)->isEnabled());

        QTest::mouseClick(Button(form, "cmdStayConnected"), Qt::LeftButton);
        QVERIFY(!form.isVisible());
    }

    // "Don't ever" switches off the hang-up that opened the window: the alarm's, or the data allowance's.
    void dontEverDisconnectStopsTheCountAndIsStoredWhenTheWindowCloses_data() {
        QTest::addColumn<bool>("forData");
        QTest::newRow("the alarm's") << false;
        QTest::newRow("the data allowance's") << true;
    }
    void dontEverDisconnectStopsTheCountAndIsStoredWhenTheWindowCloses() {
        QFETCH(bool, forData);
        CountdownWindow w(forData ? AlarmCountdown::For::DataAllowance : AlarmCountdown::For::Alarm);
        frmAlarmDisconnect& form = *w.form;
        w.clock.Advance(3);
        form.Timer1_Timer();
        QTest::mouseClick(Check(form), Qt::LeftButton);
        QVERIFY(!Button(form, "cmdDisconnectNow")->isEnabled());
        w.clock.Advance(60);
        form.Timer1_Timer();
        QCOMPARE(Label(form, "lblSecondsToDiscon"), QStringLiteral("22")); // the display stands still
        QVERIFY(w.line.HungUp.empty());

        QTest::mouseClick(Button(form, "cmdStayConnected"), Qt::LeftButton);
        QVERIFY(!form.isVisible());
        QCOMPARE(w.Stored("Alarm", "AutoDisconnect"), std::optional<std::string>(forData ? "-1" : "0"));
        QCOMPARE(w.Stored("Alarm", "DataHangUp"), std::optional<std::string>(forData ? "0" : "1"));
        QVERIFY(w.line.HungUp.empty());
    }

    void uncheckingAfterTheTimeHasPassedHangsUpAtOnce() {
        CountdownWindow w;
        QTest::mouseClick(Check(*w.form), Qt::LeftButton);
        w.clock.Advance(30);
        w.form->Timer1_Timer();
        QVERIFY(w.line.HungUp.empty());
        QTest::mouseClick(Check(*w.form), Qt::LeftButton);
        QVERIFY(Button(*w.form, "cmdDisconnectNow")->isEnabled());
        w.form->Timer1_Timer();
        QCOMPARE(w.line.HungUp, std::vector<std::uint64_t>{1});
    }

    void disconnectNowHangsUpAtOnce() {
        CountdownWindow w;
        QTest::mouseClick(Button(*w.form, "cmdDisconnectNow"), Qt::LeftButton);
        QCOMPARE(w.line.HungUp, std::vector<std::uint64_t>{1});
        QVERIFY(!w.form->isVisible());
    }

    void secondTimerIsNotReenteredWhileItsQuestionIsOpenButTheTickRuns() {
        StoreHarness h;
        PromptingUserInterface ui;
        h.clock.Set(2026, 12, 2, 17, 59, 58); // Wednesday, "Daytime"
        frmMain main(h.g, h.settings, h.clock, ui);
        main.SetDialUpService(h.line);
        main.Form_Load();
        ui.Messages.clear();

        h.clock.Set(2026, 12, 2, 18, 0, 0);
        int opened = 0;
        ui.WhileAsked = [&] {
            if (opened++ > 0) return;
            h.Connected();
            main.Timer2_Timer();
            main.Timer1_Timer();
        };
        main.Timer2_Timer();
        QCOMPARE(int(ui.Messages.size()), 1);
        QVERIFY(h.g.InCall);
        QCOMPARE(main.Rate->currentText(), QStringLiteral("Evening"));
    }

private:
    static QString Label(QWidget& form, const char* name) {
        return form.findChild<QLabel*>(QString::fromLatin1(name))->text();
    }
    static QPushButton* Button(QWidget& form, const char* name) {
        return form.findChild<QPushButton*>(QString::fromLatin1(name));
    }
    static QCheckBox* Check(QWidget& form) {
        return form.findChild<QCheckBox*>(QStringLiteral("chkDontDisconnect"));
    }
};

QTEST_MAIN(TariffFormsTest)
#include "TariffFormsTest.moc"
