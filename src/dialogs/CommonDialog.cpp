#include "dialogs/CommonDialog.h"

// The help window is not built yet; a request shows nothing.
void CommonDialog::ShowHelp(QWidget*) const {}
