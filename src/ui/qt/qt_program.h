#pragma once

#include <QString>

#include <chrono>
#include <filesystem>
#include <string>
#include <utility>
#include <vector>

#include "app/main_form.h"
#include "app/start_up.h"
#include "link/process_transport.h"
#include "ui/qt/qt_window.h"
#include "util/clock.h"

class QCoreApplication;
class QTranslator;

// The native program: the main form in a Qt window with the program's icon and About box, the calculator asked as
// a child process (beside the program, then on PATH), and the document type associated the freedesktop way.
namespace ui::qt {

struct ProgramPlaces {
    std::filesystem::path program;           // the running program, which the association opens documents with
    std::filesystem::path calculatorFolder;  // where the calculator is looked for first
    std::chrono::milliseconds calculatorTimeout = std::chrono::seconds(5);
};

class QtProgram {
  public:
    explicit QtProgram(const ProgramPlaces& places);

    // Opens the form on the document (shown, not waited for), or runs it until it closes.
    void open(const app::DocumentChoice& document);
    int run(const app::DocumentChoice& document);

    QtWindow& window() { return window_; }
    app::MainForm& form() { return form_; }

  private:
    QtWindow window_;
    util::SystemClock clock_;
    calclink::ProcessTransport transport_;
    app::MainForm form_;
};

// The document named by the arguments after the program's name (UTF-8, joined by blanks as one path); none: the
// default document.
app::DocumentChoice documentFromArguments(const std::vector<std::string>& arguments);

// Qt's own texts (the edits' context menu, the file dialogs, the standard buttons) in Chinese, whatever the
// system's language, as the whole form is: the translations from the folder given, Qt's own by default, installed
// into the application, which owns them. Nothing when they are not there; Qt's texts then stay English.
QTranslator* installChineseQtTexts(QCoreApplication& application, const QString& folder = QString());

// The program's icon, the zodiac wheel, in every size it is drawn in; and those pictures as PNG bytes by size.
QIcon programIcon();
std::vector<std::pair<int, std::string>> iconPictures();

}  // namespace ui::qt
