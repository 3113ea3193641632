#include "engine/AlarmCountdown.h"
#include "engine/frmAlarm.h"
#include "engine/frmAlarmDisconnect.h"
#include "startup/frmMain.h"
#include "support/EngineHarness.h"

#include <QCheckBox>
#include <QComboBox>
#include <QLabel>
#include <QPushButton>
#include <QTimer>
#include <QtTest>

namespace {

// Lets a test act while a message box would be open.
class ReentrantUserInterface : public ScriptedUserInterface {
public:
    MsgResult MsgBox(const std::string& prompt, MsgButtons buttons, MsgIcon icon,
                     const std::string& title) override {
        if (WhileOpen) WhileOpen();
        return ScriptedUserInterface::MsgBox(prompt, buttons, icon, title);
    }
    std::function<void()> WhileOpen;
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
        QCOMPARE(form.windowTitle(), QStringLiteral("Alarm"));
        QCOMPARE(form.findChild<QLabel*>(QStringLiteral("text"))->text(),
                 QStringLiteral("You have run out of ISP free time"));
        QPushButton* ok = form.findChild<QPushButton*>(QStringLiteral("Command1"));
        QCOMPARE(ok->text(), QStringLiteral("OK"));
        QTest::mouseClick(ok, Qt::LeftButton);
        QVERIFY(!form.isVisible());
        QCOMPARE(form.result(), int(QDialog::Accepted));
    }

    void countdownWindowShowsTheCountAndItsDoneState() {
        EngineHarness h;
        h.Connected();
        h.g.AlarmMessage = "You have spent more than \u00A301.00";
        h.g.AutoDisconnectTime = 25;
        AlarmCountdown countdown(h.g, h.settings, h.clock, h.line);
        int beeps = 0;
        frmAlarmDisconnect form(countdown, [&] { ++beeps; });
        form.show();

        QCOMPARE(beeps, 1);
        QCOMPARE(form.windowTitle(), QStringLiteral("Alarm"));
        QCOMPARE(Label(form, "text"), QString::fromStdString(h.g.AlarmMessage));
        QCOMPARE(Label(form, "Label1"), QStringLiteral("Tallydial will disconnect you from the Internet in"));
        QCOMPARE(Label(form, "lblSecondsToDiscon"), QStringLiteral("00"));
        QCOMPARE(Label(form, "Label2"), QStringLiteral("seconds"));
        QCOMPARE(Check(form)->text(), QStringLiteral("Don't ever automatically disconnect"));
        QCOMPARE(Button(form, "cmdDisconnectNow")->text(), QStringLiteral("Disconnect Now"));
        QCOMPARE(Button(form, "cmdStayConnected")->text(), QStringLiteral("Don't Disconnect"));
        QTimer* timer = form.findChild<QTimer*>(QStringLiteral("Timer1"));
        QCOMPARE(timer->interval(), 50);
        QVERIFY(timer->isActive());

        h.clock.Advance(4.9);
        form.Timer1_Timer();
        QCOMPARE(Label(form, "lblSecondsToDiscon"), QStringLiteral("20"));
        h.clock.Advance(20.1);
        form.Timer1_Timer();
        QCOMPARE(Label(form, "lblSecondsToDiscon"), QStringLiteral("00"));
        QCOMPARE(h.line.HungUp, std::vector<std::uint64_t>{1});
        QCOMPARE(Button(form, "cmdStayConnected")->text(), QStringLiteral("OK"));
        QVERIFY(!Button(form, "cmdDisconnectNow")->isEnabled());
        QVERIFY(!Check(form)->isEnabled());

        QTest::mouseClick(Button(form, "cmdStayConnected"), Qt::LeftButton);
        QVERIFY(!form.isVisible());
    }

    void dontEverDisconnectIsStoredWhenTheWindowCloses() {
        EngineHarness h;
        h.Connected();
        h.g.AutoDisconnect = true;
        h.settings.SetProfileSetting("Alarm", "AutoDisconnect", "-1");
        AlarmCountdown countdown(h.g, h.settings, h.clock, h.line);
        frmAlarmDisconnect form(countdown, [] {});
        form.show();

        QTest::mouseClick(Check(form), Qt::LeftButton);
        QVERIFY(Check(form)->isChecked());
        QVERIFY(!Button(form, "cmdDisconnectNow")->isEnabled());
        h.clock.Advance(60);
        form.Timer1_Timer();
        QVERIFY(h.line.HungUp.empty());

        QTest::mouseClick(Button(form, "cmdStayConnected"), Qt::LeftButton);
        QVERIFY(!form.isVisible());
        QVERIFY(!h.g.AutoDisconnect);
        QCOMPARE(h.Stored("Alarm", "AutoDisconnect"), std::optional<std::string>("0"));
        QVERIFY(h.line.HungUp.empty());
    }

    void disconnectNowHangsUpAndCloses() {
        EngineHarness h;
        h.Connected();
        AlarmCountdown countdown(h.g, h.settings, h.clock, h.line);
        frmAlarmDisconnect form(countdown, [] {});
        form.show();
        QTest::mouseClick(Button(form, "cmdDisconnectNow"), Qt::LeftButton);
        QCOMPARE(h.line.HungUp, std::vector<std::uint64_t>{1});
        QVERIFY(!form.isVisible());
    }

    void secondTimerIsNotReenteredWhileItsQuestionIsOpenButTheTickRuns() {
        EngineHarness h;
        ReentrantUserInterface ui;
        h.clock.Set(2026, 12, 2, 17, 59, 58); // Wednesday, "Daytime"
        frmMain main(h.g, h.settings, h.clock, ui);
        main.SetDialUpService(h.line);
        main.Form_Load();
        QCOMPARE(main.Timer2->interval(), 2000);
        QVERIFY(main.Timer2->isActive());
        ui.Messages.clear();

        h.clock.Set(2026, 12, 2, 18, 0, 0);
        int opened = 0;
        ui.WhileOpen = [&] {
            if (opened++ > 0) return;
            h.Connected();
            main.Timer2_Timer();
            main.Timer1_Timer();
        };
        main.Timer2_Timer();
        QCOMPARE(int(ui.Messages.size()), 1);
        QVERIFY(h.g.InCall);
        QCOMPARE(h.g.CurrentRate, std::int16_t(2));
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
