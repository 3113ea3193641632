#include "ui/help/CommonDialog.h"

#include "ui/help/frmHelp.h"

// Any command but a topic shows the contents, as the help engine does with its contents command.
void CommonDialog::ShowHelp(QWidget* parent) const {
    frmHelp::Open(HelpFile, HelpCommand == HelpContext ? HelpContextNumber : 0, parent);
}
