#include "ui/qt/qt_program.h"

#include <QCoreApplication>
#include <QFile>
#include <QLibraryInfo>
#include <QLocale>
#include <QTranslator>

#include "app/form_layout.h"
#include "util/desktop_association.h"
#include "util/text_codec.h"

namespace ui::qt {

namespace {

constexpr int kIconSizes[] = {16, 24, 32, 48, 64, 128, 256};

QString iconResource(int size) {
    return QStringLiteral(":/qelvo/icons/qelvo-%1.png").arg(size);
}

// The About box: the version, and the licence with its notice that there is no warranty.
constexpr const char* kAboutText =
    "Qelvo Version 1.0\n"
    "Copyright (C) 2026 Qelvo 开发者\n"
    "依 GNU GPL 3.0 或更新版本发布的\n"
    "自由软件，不提供任何担保。\n"
    "许可证：gnu.org/licenses/gpl-3.0";

WindowExtras programExtras() {
    return {programIcon(), "关于 Qelvo(&A)...", "关于 Qelvo", kAboutText, "确定"};
}

}  // namespace

QtProgram::QtProgram(const ProgramPlaces& places)
    : window_(app::mainFormLayout(), programExtras()),
      transport_(places.calculatorFolder, places.calculatorTimeout),
      form_(window_, clock_, transport_) {
    const std::filesystem::path program = places.program;
    form_.setFileAssociation([program] { return util::associateDocumentType({program, iconPictures()}); });
}

void QtProgram::open(const app::DocumentChoice& document) {
    window_.open(form_, [this, &document] { form_.initialize(document); });
}

int QtProgram::run(const app::DocumentChoice& document) {
    return window_.run(form_, [this, &document] { form_.initialize(document); });
}

app::DocumentChoice documentFromArguments(const std::vector<std::string>& arguments) {
    std::string utf8;
    for (const std::string& argument : arguments)
        utf8 += (utf8.empty() ? "" : " ") + argument;
    app::DocumentChoice choice;
    if (utf8.empty())
        return choice;
    // The file system takes the bytes as given; the caption shows them as GBK, as far as GBK can.
    choice.path = std::filesystem::path(utf8);
    choice.pathText = util::utf8ToGbk(utf8, true).value_or(utf8);
    return choice;
}

QTranslator* installChineseQtTexts(QCoreApplication& application, const QString& folder) {
    const QString from = folder.isEmpty() ? QLibraryInfo::path(QLibraryInfo::TranslationsPath) : folder;
    auto* translator = new QTranslator(&application);
    // qtbase holds the texts of the widgets and dialogs the form uses.
    if (!translator->load(QLocale(QLocale::Chinese, QLocale::China), QStringLiteral("qtbase"), QStringLiteral("_"),
                          from)) {
        delete translator;
        return nullptr;
    }
    QCoreApplication::installTranslator(translator);
    return translator;
}

QIcon programIcon() {
    QIcon icon;
    for (int size : kIconSizes)
        icon.addFile(iconResource(size), QSize(size, size));
    return icon;
}

std::vector<std::pair<int, std::string>> iconPictures() {
    std::vector<std::pair<int, std::string>> pictures;
    for (int size : kIconSizes) {
        QFile file(iconResource(size));
        if (!file.open(QIODevice::ReadOnly))
            continue;
        const QByteArray bytes = file.readAll();
        pictures.emplace_back(size, std::string(bytes.constData(), static_cast<std::size_t>(bytes.size())));
    }
    return pictures;
}

}  // namespace ui::qt
