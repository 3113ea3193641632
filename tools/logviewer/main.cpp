#include "frmLogViewer.h"

#include "engine/CallDataReader.h"
#include "platform/Platform.h"
#include "settings/Clock.h"
#include "settings/ErrorBoundary.h"
#include "settings/ProgramInfo.h"

#include <QApplication>
#include <QMessageBox>
#include <QTimer>

#include <exception>
#include <iostream>

namespace {
constexpr const char* Usage =
    "Usage: logviewer [FILE]\n"
    "Shows the calls of a Tallydial call log; without FILE, the log of the Tallydial\n"
    "it came with.\n"
    "       logviewer --help | --version\n";

// Messages of the viewer; it asks nothing else of the user.
class ViewerUserInterface final : public UserInterface {
public:
    MsgResult MsgBox(const std::string& prompt, MsgButtons, MsgIcon icon, const std::string& title) override {
        QMessageBox box(icon == MsgIcon::Critical ? QMessageBox::Critical : QMessageBox::Warning,
                        QString::fromStdString(title), QString::fromStdString(prompt), QMessageBox::Ok);
        box.exec();
        return MsgResult::OK;
    }
    std::optional<std::string> InputBox(const std::string&, const std::string&, const std::string&) override {
        return std::nullopt;
    }
    void Beep() override { QApplication::beep(); }
    void ShowAlarm(const std::string&) override {}
    void ShowAlarmDisconnect(AlarmCountdown&) override {}
};
} // namespace

// logviewer [log file]: without a file, the log that the Tallydial it came with writes.
int main(int argc, char* argv[]) {
    // Answered before the application exists, so they need no display.
    if (const auto answered =
            ProgramInfo::AnswerHelpOrVersion({argv + 1, argv + argc}, "logviewer", Usage, std::cout))
        return *answered;
    QApplication app(argc, argv);
    QApplication::setApplicationName(QStringLiteral("logviewer"));
    const QStringList arguments = QApplication::arguments();
    const QString path =
        arguments.size() > 1
            ? arguments.at(1)
            : QString::fromStdString((Platform::LogFolder(Platform::ProgramFolderOf(
                                          QApplication::applicationDirPath().toStdString())) /
                                      "log.dat")
                                         .string());
    SystemClock clock;
    ViewerUserInterface ui;
    frmLogViewer window(path, clock, ui);
    // The data allowances, from the settings the program keeps; the viewer only reads them. A store
    // that can't be read leaves the month without an allowance rather than asking every minute.
    Platform::OpenedStore settings;
    try {
        settings = Platform::OpenSettingsStore(clock);
    } catch (const std::exception&) {
        settings.Store.reset();
    }
    window.SetAllowanceSource([&settings](const std::string& profile) {
        try {
            return settings.Store ? StoredDataAllowance(*settings.Store, profile) : 0.0;
        } catch (const std::exception&) {
            return 0.0;
        }
    });
    window.show();
    QTimer::singleShot(0, &window, [&] { Guarded(ui, "frmLogViewer.Form_Load", [&] { window.Load(); }); });
    return QApplication::exec();
}
