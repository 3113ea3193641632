#include "settings/ProgramInfo.h"

#include <QApplication>

int main(int argc, char* argv[]) {
    ProgramInfo::SetFromArgv0(argv[0]);
    QApplication app(argc, argv);
    return 0;
}
