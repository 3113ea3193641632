#include "platform/Platform.h"
#include "settings/Clock.h"
#include "settings/ProgramInfo.h"
#include "ui/startup/DesktopApplication.h"
#include "ui/startup/DesktopUserInterface.h"
#include "ui/widgets/AppIcon.h"
#include "ui/widgets/DesktopLocale.h"
#include "ui/widgets/DrawnFrames.h"

#include "settings/ErrorBoundary.h"

#include <QApplication>
#include <QTimer>

#include <optional>
#include <string>
#include <utility>

int main(int argc, char* argv[]) {
    ProgramInfo::SetFromArgv0(argv[0]);
    QApplication app(argc, argv);
    // The program lives in the tray: closing the splash or hiding the window doesn't end it.
    QApplication::setQuitOnLastWindowClosed(false);
    QApplication::setWindowIcon(AppIcon::Icon());
    DrawnFrames::Install();
    // Desktops match the windows to the installed desktop entry by this name.
    QGuiApplication::setDesktopFileName(QStringLiteral("example.tallydial.Tallydial"));

    // What is left of the arguments once the toolkit has taken its own.
    std::string commandLine;
    for (int i = 1; i < argc; ++i)
        commandLine += (i > 1 ? " " : "") + std::string(argv[i]);

    SystemClock clock;
    DesktopUserInterface ui;
    // Told once the write that failed, perhaps deep in a tick, is over; what the exit save met goes
    // to standard error and the system log, as nothing may hold an end that a logout waits for.
    std::optional<std::string> untold;
    Platform::OpenedStore opened =
        Platform::OpenSettingsStore(clock, [&ui, &untold](const std::string& notice) {
            untold = notice;
            QTimer::singleShot(0, qApp, [&ui, &untold] {
                Guarded(ui, "Store_MovedToMemory", [&] {
                    if (untold) ui.MsgBox(*std::exchange(untold, std::nullopt));
                });
            });
        });
    if (opened.Notice) ui.MsgBox(*opened.Notice);

    const std::unique_ptr<InstanceGuard> instance = Platform::MakeInstanceGuard();
    DesktopApplication program(
        *opened.Store, clock, ui, *instance, SystemLocale(), commandLine,
        Platform::LogFolder(QCoreApplication::applicationDirPath().toStdString()).string());
    if (!program.Start()) return 0;
    const int result = QApplication::exec();
    if (untold) ui.Unattended(*untold);
    return result;
}
