#pragma once

#include <QString>

class QWidget;
struct HelpRequest;

// A window's help control: the help file, the help command (1 a topic by context number, 3 the
// contents) and the context number. Every window asks for help through one of these.
struct CommonDialog {
    static constexpr int HelpContext = 1;
    static constexpr int HelpContents = 3;
    // Context numbers of the topics asked for by name: the contents and the main window's page.
    static constexpr int ContentsTopic = 1000;
    static constexpr int MainWindowTopic = 1002;

    int HelpCommand = 0;
    int HelpContextNumber = 0;
    QString HelpFile;

    // What opens the help window. Unset, the first request loads the help library; a program that
    // links the help window in sets it beforehand.
    static void UseHelpWindow(void (*open)(const HelpRequest&));

    // Shows the help as the command and context number say; without the help library, a message
    // that doesn't hold up the window that asked says so.
    void ShowHelp(QWidget* parent) const;
    // Sets command 1 and the context number, then shows that topic.
    void ShowTopic(QWidget* parent, int context) {
        HelpCommand = HelpContext;
        HelpContextNumber = context;
        ShowHelp(parent);
    }
};
