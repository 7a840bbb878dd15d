#pragma once

#include <QString>

#include <optional>
#include <string>
#include <string_view>

// The Qt shell's edge for texts: the core's GBK bytes to QString and back, and the line breaks of the window system
// ("\r\n" in the core's texts, "\n" in Qt's).
namespace ui::qt {

QString fromGbk(std::string_view gbk);
// Nothing when a character has no GBK counterpart.
std::optional<std::string> toGbk(const QString& text);
// The first character of text that GBK cannot hold; empty when every one can.
QString firstCharacterOutsideGbk(const QString& text);

QString withQtLineBreaks(QString text);
QString withWindowsLineBreaks(QString text);

}  // namespace ui::qt
