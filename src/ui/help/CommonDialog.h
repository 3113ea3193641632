#pragma once

#include <QString>

class QWidget;

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

    // Shows the help as the command and context number say.
    void ShowHelp(QWidget* parent) const;
    // Sets command 1 and the context number, then shows that topic.
    void ShowTopic(QWidget* parent, int context) {
        HelpCommand = HelpContext;
        HelpContextNumber = context;
        ShowHelp(parent);
    }
};
