#include "startup/ZTray.h"
#include "startup/frmMain.h"
#include "support/EngineHarness.h"

#include <QAction>
#include <QDialog>
#include <QMenu>
#include <QPushButton>
#include <QSystemTrayIcon>
#include <QtTest>

#include <csignal>

namespace {

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
    void Connect() {
        Connected();
        main.Timer1_Timer();
    }

    ModalUserInterface ui;
    frmMain main{g, settings, clock, ui};
};

} // namespace

class frmMainCallTest : public QObject {
    Q_OBJECT

private slots:
    void trayClickWhileTheCommentPromptIsOpenBeepsAndTheTickWaits() {
        Program p;
        p.g.LogComments = true;
        p.Connect();
        QVERIFY(p.g.InCall);
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
        QVERIFY(p.g.TrayEnabled);
        QCOMPARE(p.LogLines().size(), size_t{10});
    }

    void exitFromTheTrayMenuDuringACallLogsItAndSavesTotalsThatIncludeIt() {
        Program p;
        p.Connect();
        p.clock.Advance(30);
        p.main.mExit->trigger();
        QCOMPARE(p.ui.Messages.size(), size_t{1});
        QCOMPARE(p.ui.Messages[0].Title, std::string("Close Tallydial?"));
        QVERIFY(p.main.Unloaded());
        QVERIFY(!p.main.Timer1->isActive());
        QVERIFY(!p.main.ZTray->IsIconVisible());
        QCOMPARE(p.LogLines().size(), size_t{10});
        QCOMPARE(p.Stored("CumulativeTotal", "Time"), std::optional<std::string>(" 30"));
    }

    void trayMenuItemPressesItsButton() {
        Program p;
        int pressed = 0;
        QObject::connect(p.main.cmdOptions, &QPushButton::clicked, [&] { ++pressed; });
        p.main.mOptions->trigger();
        QCOMPARE(pressed, 1);
    }

    void trayMenuIsTheIconsOwnAndOnlyBeepsWhileAPromptIsOpen() {
        Program p;
        QCOMPARE(p.main.ZTray->Icon()->contextMenu(), p.main.TrayMenu);
        const auto usable = [&] {
            QStringList names;
            for (QAction* action : p.main.TrayMenu->actions())
                if (!action->isSeparator() && action->isEnabled()) names << action->objectName();
            return names;
        };
        p.g.TrayEnabled = false;
        emit p.main.TrayMenu->aboutToShow();
        QCOMPARE(p.ui.Beeps, 1);
        QCOMPARE(usable(), QStringList());
        p.g.TrayEnabled = true;
        emit p.main.TrayMenu->aboutToShow();
        QCOMPARE(p.ui.Beeps, 1);
        QCOMPARE(usable(), (QStringList{"mShow", "mViewLog", "mChgProfile", "mOptions", "mExit"}));
        // Qt pops the attached menu up before it reports the right click; that click is not ours.
        p.main.TrayMenu->popup(QPoint());
        QSignalSpy clicks(p.main.ZTray, &ZTray::Click);
        emit p.main.ZTray->Icon()->activated(QSystemTrayIcon::Context);
        QCOMPARE(clicks.count(), 0);
    }

    // The offscreen desktop has no tray, as some real ones don't.
    void withoutATrayTheWindowIsNeverHiddenOutOfReach() {
        QVERIFY(!ZTray::Available());
        Program p;
        p.g.HideOnLogon = true;
        p.main.ShowMainWindow();
        p.Connect();
        QVERIFY(p.g.InCall);
        QVERIFY(p.main.isVisible());
        QTest::mouseClick(p.main.hide, Qt::LeftButton);
        QVERIFY(p.main.isVisible());
        QVERIFY(p.main.isMinimized());
    }

    void closeBoxAnsweredNoKeepsTheWindow() {
        Program p;
        p.ui.Answers = {MsgResult::No};
        QVERIFY(!p.main.close());
        QVERIFY(!p.main.Unloaded());
        QVERIFY(p.main.isVisible());
        QVERIFY(p.main.Timer1->isActive());
    }

    void signalWhileAModalWindowIsOpenUnloadsAfterItsHandler() {
        Program p;
        p.Connect();
        p.clock.Advance(20);
        p.ui.RealDialog = true;
        p.main.Command2->click(); // the reset's question opens; SIGTERM arrives while it is open
        // The question was closed as cancelled and its handler finished before the unload.
        QCOMPARE(p.ui.Messages.size(), size_t{1});
        QCOMPARE(p.g.CumulativeTime, 0.0);
        QTRY_VERIFY(p.main.Unloaded());
        QCOMPARE(p.ui.Messages.size(), size_t{1}); // no closing question
        QCOMPARE(p.LogLines().size(), size_t{10});
        QCOMPARE(p.Stored("CumulativeTotal", "Time"), std::optional<std::string>(" 20"));
    }
};

QTEST_MAIN(frmMainCallTest)
#include "frmMainCallTest.moc"
