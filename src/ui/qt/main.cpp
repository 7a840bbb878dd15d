// The native program: the main form as a Qt window on the document named on the command line, or the default one.
#include <QApplication>

#include <string>
#include <vector>

#include "ui/qt/qt_program.h"
#include "util/mvs.h"

int main(int argc, char** argv) {
    QApplication application(argc, argv);  // takes Qt's own options off the command line
    QApplication::setApplicationName(QStringLiteral("qelvo"));
    QApplication::setDesktopFileName(QStringLiteral("qelvo"));
    ui::qt::installChineseQtTexts(application);
    std::vector<std::string> arguments(argv + 1, argv + argc);
    const CMvs mvs;
    ui::qt::QtProgram program({mvs.getAppPath(false), mvs.getAppPath(true)});
    return program.run(ui::qt::documentFromArguments(arguments));
}
