#include "engine/AlarmCountdown.h"
#include "frmLogViewer.h"
#include "platform/linux/XdgAutostart.h"
#include "support/EngineHarness.h"
#include "ui/dialogs/Calculator.h"
#include "ui/dialogs/frmAbout.h"
#include "ui/dialogs/frmOptions.h"
#include "ui/dialogs/frmSetFreeTimeLeft.h"
#include "ui/engine/frmAlarm.h"
#include "ui/engine/frmAlarmDisconnect.h"
#include "ui/engine/frmAutoSelect.h"
#include "ui/help/frmHelp.h"
#include "ui/settings/frmChooseProfile.h"
#include "ui/settings/frmNewProfile.h"
#include "ui/startup/frmMain.h"
#include "ui/startup/frmSplash.h"
#include "ui/widgets/DrawnFrames.h"

#include <QDir>
#include <QFile>
#include <QGroupBox>
#include <QLabel>
#include <QLineEdit>
#include <QTabWidget>
#include <QTreeView>
#include <QtTest>

// Keeps a picture of every window, as it shows at this run's scale, for a person to look over:
// build/test/screenshots/<percent>/<window>.png.
class WindowPicturesTest : public QObject {
    Q_OBJECT

    QDir m_folder;

    // What a window says is read here too: its title, then name=text of the controls the user reads first.
    void Keep(QWidget& window, const QString& name, const QStringList& captions = {}) {
        QStringList seen{window.windowTitle()};
        for (const QString& row : captions.mid(1)) {
            const QObject* control = window.findChild<QObject*>(row.section(QLatin1Char('='), 0, 0));
            seen << row.section(QLatin1Char('='), 0, 0) + "=" +
                        (control ? control->property("text").toString() : QStringLiteral("(none)"));
        }
        if (!captions.isEmpty()) QCOMPARE(seen, captions);
        window.show();
        QVERIFY(QTest::qWaitForWindowExposed(&window));
        const QPixmap picture = window.grab();
        QVERIFY(!picture.isNull());
        QVERIFY2(picture.save(m_folder.filePath(name + QStringLiteral(".png"))), qPrintable(name));
        window.hide();
    }

private slots:
    void initTestCase() {
        frmHelp::SetSearchFolders({QStringLiteral(TALLYDIAL_HELP_DIR)});
        frmHelp::SetInstalledFolder(QStringLiteral("/usr/share/tallydial/help"));
        const int percent = qRound(qApp->devicePixelRatio() * 100);
        m_folder.setPath(QStringLiteral(TALLYDIAL_PICTURES_DIR "/%1").arg(percent));
        QVERIFY(m_folder.mkpath(QStringLiteral(".")));
    }

    // Run first, before any picture is read or written: a frame drawn in lines leaves the image
    // format plugins unloaded.
    void framesLoadNoImageFormatPlugin() {
        DrawnFrames::Install();
        QGroupBox frame(QStringLiteral("Frame"));
        frame.resize(200, 100);
        QVERIFY(!frame.grab().isNull());
        QFile maps(QStringLiteral("/proc/self/maps"));
        QVERIFY(maps.open(QIODevice::ReadOnly));
        QVERIFY2(!maps.readAll().contains("/imageformats/"), "an image format plugin was loaded");
    }

    void everyWindow() {
        EngineHarness h;
        h.g.CurrencyLetter = "EUR";
        h.g.EditProfileNames = {"", "Default"};
        h.g.EditProfileCount = 1;
        h.g.EditRateNumber = 3;

        frmSplash splash;
        Keep(splash, QStringLiteral("frmSplash"));

        ScriptedUserInterface ui;
        frmMain main(h.g, h.settings, h.clock, ui);
        main.Form_Load();
        main.SetLabel(MainLabel::CMoney, "EUR99999.999");
        main.SetLabel(MainLabel::CTime, "9999:59:59");
        Keep(main, QStringLiteral("frmMain"));

        frmChooseProfile chooser;
        ProfileList profiles;
        profiles.NumOfProfiles = 2;
        profiles.ProfileNames = {"", "Home", std::string(60, 'W')};
        chooser.Form_Load(profiles);
        Keep(chooser, QStringLiteral("frmChooseProfile"));

        XdgAutostart autostart{h.folder.Path() / "autostart", "/usr/bin/tallydial"};
        FakeMainWindowHost host;
        frmOptions options(h.engine, host, autostart);
        options.Form_Load();
        for (int tab = 0; tab < options.tbsOptions->count(); ++tab) {
            options.tbsOptions->setCurrentIndex(tab);
            Keep(options, QStringLiteral("frmOptions-%1").arg(tab + 1),
                 tab ? QStringList{}
                     : QStringList{"Options",
                                   "optNT=Compatibiity mode (Use this option if you have windows NT).",
                                   "chkLogComments= Add comments to log file.", "Command5=Delete Profile"});
        }

        FakeProfileList list;
        frmNewProfile newProfile(h.g, h.settings, ui, list);
        Keep(newProfile, QStringLiteral("frmNewProfile"), {"New Profile", "Label1=Name:"});
        CommonDialog help;
        frmAutoSelect autoSelect(h.g, h.settings, ui, help);
        Keep(autoSelect, QStringLiteral("frmAutoSelect"),
             {"Edit Auto Select for Weekend",
              "Label1=Automatically switch to this charge rate between the days:"});
        frmSetFreeTimeLeft freeTime(h.g, h.settings, h.clock, ui);
        Keep(freeTime, QStringLiteral("frmSetFreeTimeLeft"),
             {"Set ISP Free Time Left", "Label3=Set free time left for this month to:",
              "Label1=This form is useful if you have been surfing without Tallydial or when you use "
              "Tallydial "
              "for the first time."});
        Calculator calculator(h.g, h.locale, ui);
        Keep(calculator, QStringLiteral("Calculator"));
        frmAbout about(ui);
        Keep(about, QStringLiteral("frmAbout"),
             {"About Tallydial", "lblVersion=Version: 4.5",
              "lblDescription=Keep track of how much money and time you spend on the Internet.,"});
        QVERIFY(!about.picIcon->pixmap().isNull());
        frmAlarm alarm(QStringLiteral("You have run out of ISP free time"), [] {});
        Keep(alarm, QStringLiteral("frmAlarm"));
        h.Connected();
        h.g.AutoDisconnectTime = 25;
        AlarmCountdown countdown{h.g, h.settings, h.clock, h.line};
        frmAlarmDisconnect disconnect(countdown, ui, [] {});
        Keep(disconnect, QStringLiteral("frmAlarmDisconnect"));

        frmHelp* helpWindow = frmHelp::Open(QStringLiteral("tallyd.hlp"), 1000);
        // The contents are read in the background: the picture shows them.
        const QTreeView* contents = helpWindow->findChild<QTreeView*>(QStringLiteral("Contents"));
        QVERIFY(contents);
        QTRY_VERIFY(contents->model()->rowCount() > 0);
        Keep(*helpWindow, QStringLiteral("frmHelp"));
        delete frmHelp::Instance();
        frmHelp* missing = frmHelp::Open(QStringLiteral("nosuchhelp.hlp"), 1000);
        QVERIFY(!missing->HasHelp() &&
                missing->Browser->toPlainText().contains(QStringLiteral("not installed")));
        QVERIFY(!missing->Navigation->isVisible() && !missing->IndexFilter->isVisible());
        Keep(*missing, QStringLiteral("frmHelp-not-installed"));
        delete frmHelp::Instance();

        frmLogViewer viewer(QString::fromStdString(h.g.LogFilePath), h.clock, ui);
        viewer.Load();
        QTRY_VERIFY(!viewer.Loading());
        Keep(viewer, QStringLiteral("frmLogViewer"));
    }
};

QTEST_MAIN(WindowPicturesTest)
#include "WindowPicturesTest.moc"
