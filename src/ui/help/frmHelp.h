#pragma once

#include "ui/help/CommonDialog.h"

#include <QPointer>
#include <QStringList>
#include <QTextBrowser>
#include <QUrl>
#include <QWidget>

class QHelpEngine;
class QLineEdit;
class QTabWidget;
class QToolButton;

// Shows the help pages from the engine's collection; links between pages stay inside it.
class HelpBrowser : public QTextBrowser {
    Q_OBJECT
public:
    explicit HelpBrowser(QWidget* parent = nullptr) : QTextBrowser(parent) {}
    void SetEngine(QHelpEngine* engine) { m_engine = engine; }
    QVariant loadResource(int type, const QUrl& name) override;

private:
    QHelpEngine* m_engine = nullptr;
};

// The program's one help window: contents, index and full-text search beside the page shown.
// Topics are opened by their help context number, as the program's windows know them.
class frmHelp : public QWidget {
    Q_OBJECT
public:
    static constexpr int ContentsTopic = CommonDialog::ContentsTopic;

    // Opens the help window, or brings the open one forward, at the topic with the context number;
    // at the contents for 0. `helpFile` is the program's name for its help, "tallyd.hlp". It comes
    // up beside the window that asked, in front of it even when that window is modal.
    static frmHelp* Open(const QString& helpFile, int context, QWidget* asker = nullptr);
    // The open help window, if there is one.
    static frmHelp* Instance();
    // Folders searched before the program's own, for a collection not yet installed.
    static void SetSearchFolders(const QStringList& folders);
    // Where an installed program keeps its help: searched after the program's own folder.
    static void SetInstalledFolder(const QString& folder);
    // The help collection that stands for `helpFile`: its base name with ".qhc", beside the program
    // or in the installed folder. Empty when there is none.
    static QString FindCollection(const QString& helpFile);

    ~frmHelp() override;

    // The page shown.
    QUrl CurrentPage() const;
    bool HasHelp() const { return m_engine != nullptr; }
    QHelpEngine* Engine() const { return m_engine; }

    void ShowTopic(int context);

    QTabWidget* Navigation;
    QLineEdit* IndexFilter;
    QToolButton* BackButton;
    QToolButton* ForwardButton;
    QToolButton* ContentsButton;
    HelpBrowser* Browser;

protected:
    void closeEvent(QCloseEvent* event) override;
    bool eventFilter(QObject* watched, QEvent* event) override;

private:
    explicit frmHelp(const QString& collection);
    // Makes the window one the asker's modality lets through, and places it beside the asker when
    // it comes up.
    void ComeUpFor(QWidget* asker);
    void PlaceBeside(const QWidget* asker);
    void SetUpEngine(const QString& collection);
    void ShowMissingHelp();
    QUrl TopicPage(int context) const;
    void ShowPage(const QUrl& page);
    void MarkInContents(const QUrl& page);

    QHelpEngine* m_engine = nullptr;
    // The window that asked last: it gets the keyboard back when help closes.
    QPointer<QWidget> m_asker;
};
