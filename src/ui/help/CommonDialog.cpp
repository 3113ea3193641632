#include "ui/help/CommonDialog.h"

#include "platform/Platform.h"
#include "ui/help/HelpModule.h"

#include <QCoreApplication>
#include <QLibrary>
#include <QMessageBox>
#include <QPointer>
#include <QWidget>

namespace {

OpenHelpFunction s_open = nullptr;

// The help library beside the program or in the installed tree, loaded once and kept; nothing when
// it can't be found or loaded.
OpenHelpFunction LoadHelpWindow(QString& problem) {
    const std::filesystem::path program = QCoreApplication::applicationDirPath().toStdString();
    const std::filesystem::path file = Platform::CompanionLibrary(program, kHelpLibrary);
    if (file.empty()) {
        problem = QStringLiteral("%1 was not found beside the program or in its installed folder.")
                      .arg(QLatin1String(kHelpLibrary));
        return nullptr;
    }
    auto* library = new QLibrary(QString::fromStdString(file.string()), qApp);
    const auto open = reinterpret_cast<OpenHelpFunction>(library->resolve(kOpenHelpSymbol));
    if (!open) {
        problem = library->errorString();
        delete library;
    }
    return open;
}

// Says once, without holding up the window that asked, that there is no help to show.
void SayHelpIsMissing(QWidget* asker, const QString& problem) {
    static QPointer<QMessageBox> box;
    if (!box) {
        box = new QMessageBox(QMessageBox::Information, QStringLiteral("Tallydial"),
                              QStringLiteral("Tallydial's help is not available: %1").arg(problem),
                              QMessageBox::Ok, asker ? asker->window() : nullptr);
        box->setObjectName(QStringLiteral("HelpMissing"));
        box->setAttribute(Qt::WA_DeleteOnClose);
        box->setWindowModality(Qt::NonModal);
    }
    box->show();
    box->raise();
    box->activateWindow();
}

} // namespace

void CommonDialog::UseHelpWindow(OpenHelpFunction open) {
    s_open = open;
}

// Any command but a topic shows the contents, as the help engine does with its contents command.
void CommonDialog::ShowHelp(QWidget* parent) const {
    QString problem;
    if (!s_open) s_open = LoadHelpWindow(problem);
    if (!s_open) {
        SayHelpIsMissing(parent, problem);
        return;
    }
    const std::filesystem::path program = QCoreApplication::applicationDirPath().toStdString();
    HelpRequest request;
    request.HelpFile = HelpFile;
    request.Context = HelpCommand == HelpContext ? HelpContextNumber : 0;
    request.Asker = parent;
    request.InstalledFolder = QString::fromStdString(Platform::HelpFolder(program).string());
    s_open(request);
}
