#include "ui/help/HelpModule.h"

#include <QtGlobal>

// Found by name when the program loads the library.
extern "C" Q_DECL_EXPORT void TallydialOpenHelp(const HelpRequest& request) noexcept {
    OpenHelpWindow(request);
}
