#include "ui/qt/gbk_text.h"

#include "util/text_codec.h"

namespace ui::qt {

QString fromGbk(std::string_view gbk) {
    const std::string utf8 = util::gbkToUtf8(gbk, true).value_or(std::string());
    return QString::fromUtf8(utf8.data(), static_cast<qsizetype>(utf8.size()));
}

std::optional<std::string> toGbk(const QString& text) {
    const QByteArray utf8 = text.toUtf8();
    return util::utf8ToGbk(std::string_view(utf8.constData(), static_cast<std::size_t>(utf8.size())));
}

QString firstCharacterOutsideGbk(const QString& text) {
    for (qsizetype i = 0; i < text.size();) {
        const qsizetype length = text.at(i).isHighSurrogate() && i + 1 < text.size() ? 2 : 1;
        const QString character = text.mid(i, length);
        if (!toGbk(character))
            return character;
        i += length;
    }
    return {};
}

QString withQtLineBreaks(QString text) {
    return text.replace(QStringLiteral("\r\n"), QStringLiteral("\n"));
}

QString withWindowsLineBreaks(QString text) {
    return withQtLineBreaks(std::move(text)).replace(QStringLiteral("\n"), QStringLiteral("\r\n"));
}

}  // namespace ui::qt
