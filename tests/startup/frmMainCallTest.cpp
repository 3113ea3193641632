#include "engine/Tick.h"
#include "platform/linux/SqliteRegistryStore.h"
#include "startup/ZTray.h"
#include "startup/frmMain.h"
#include "support/FakeDialUpService.h"
#include "support/TestSupport.h"

#include <QAction>
#include <QDialog>
#include <QPushButton>
#include <QtTest>

#include <csignal>
#include <fstream>
#include <functional>

namespace {

// Answers from a script, and lets a test act while a question is open.
class PromptingUserInterface : public ScriptedUserInterface {
public:
    MsgResult MsgBox(const std::string& prompt, MsgButtons buttons, MsgIcon icon,
                     const std::string& title) override {
        if (WhileAsked) WhileAsked();
        if (RealDialog) {
            // A real modal window with its own loop, as the desktop opens one.
            QDialog dialog;
            QTimer::singleShot(0, [] { std::raise(SIGTERM); });
            const int shown = dialog.exec();
            Messages.push_back({prompt, buttons, icon, title});
            return shown == QDialog::Accepted ? MsgResult::OK : MsgResult::Cancel;
        }
        return ScriptedUserInterface::MsgBox(prompt, buttons, icon, title);
    }
    std::optional<std::string> InputBox(const std::string& prompt, const std::string& title,
                                        const std::string& defaultText) override {
        if (WhileAsked) WhileAsked();
        return ScriptedUserInterface::InputBox(prompt, title, defaultText);
    }

    std::function<void()> WhileAsked;
    bool RealDialog = false;
};

struct Program {
    Program() {
        g.Profiles.NumOfProfiles = 1;
        g.Profiles.ProfileNames = {"", "Default"};
        g.Profiles.CurrentProfile = 1;
        g.Profiles.ProfileSelected = true;
        g.ClockBaseDate = clock.Today();
        g.LogFilePath = (folder.Path() / "log.dat").string();
        main.SetDialUpService(line);
        main.Form_Load();
    }
    void Connect() {
        line.Connections = {{1, "X"}};
        line.Flag = true;
        main.Timer1_Timer();
    }
    int LogLines() const {
        std::ifstream in(g.LogFilePath);
        int count = 0;
        for (std::string text; std::getline(in, text);)
            ++count;
        return count;
    }
    std::string Stored(const std::string& section, const std::string& name) {
        RegistryValue value;
        store->QueryValue(HKEY_LOCAL_MACHINE, "Software\\Orvane\\Tallydial\\Default\\" + section, name,
                          value);
        return value.Data.empty() ? std::string() : std::string(value.Data.begin(), value.Data.end() - 1);
    }

    TempFolder folder;
    FakeClock clock;
    std::unique_ptr<SqliteRegistryStore> store =
        SqliteRegistryStore::Open(folder.Path() / "registry.db", clock).Store;
    Locale locale = Locale::DecimalPoint();
    Globals g;
    Settings settings{*store, locale, g.Profiles};
    FakeDialUpService line;
    PromptingUserInterface ui;
    frmMain main{g, settings, clock, ui};
};

} // namespace

class frmMainCallTest : public QObject {
    Q_OBJECT

private slots:
    void automaticDetectionDisablesStart() {
        Program p;
        QVERIFY(!p.main.StartStop->isEnabled());
        QCOMPARE(p.main.StartStop->text(), QStringLiteral("Auto"));
        QVERIFY(!p.main.mStartStop->isEnabled());
        QVERIFY(p.main.Timer1->isActive());
    }

    void trayClickWhileTheCommentPromptIsOpenBeepsAndTheTickWaits() {
        Program p;
        p.g.LogComments = true;
        p.Connect();
        QVERIFY(p.g.InCall);
        p.clock.Advance(10);
        p.line.Connections.clear();
        p.line.Flag = false;
        bool inCallWhileAsked = true;
        p.ui.WhileAsked = [&] {
            p.main.HideMainWindow();
            emit p.main.ZTray->Click(1);
            // The timer firing inside the prompt's loop must not tick again.
            p.line.Connections = {{2, "Y"}};
            p.line.Flag = true;
            p.main.Timer1_Timer();
            inCallWhileAsked = p.g.InCall;
        };
        p.main.Timer1_Timer();
        QCOMPARE(p.ui.Beeps, 1);
        QVERIFY(p.main.isHidden());
        QVERIFY(!inCallWhileAsked);
        QVERIFY(p.g.TrayEnabled);
        QCOMPARE(p.LogLines(), 10);
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
        QCOMPARE(p.LogLines(), 10);
        QCOMPARE(p.Stored("CumulativeTotal", "Time"), std::string(" 30"));
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
        QCOMPARE(p.LogLines(), 10);
        QCOMPARE(p.Stored("CumulativeTotal", "Time"), std::string(" 20"));
    }
};

QTEST_MAIN(frmMainCallTest)
#include "frmMainCallTest.moc"
