#pragma once

#include "config/Messages.h"

#include <QString>
#include <string>

// The main window's texts for Qt: captions from the message table and texts of the engine.
namespace hostaq::main_text {

inline QString M(int id) {
    return QString::fromStdString(Msg(id));
}
inline QString Q(const std::string& text) {
    return QString::fromStdString(text);
}
// Texts made for Windows separate lines with CR LF.
inline QString Lines(const std::string& text) {
    return Q(text)
        .replace(QStringLiteral("\r\n"), QStringLiteral("\n"))
        .replace(QLatin1Char('\r'), QLatin1Char('\n'));
}

} // namespace hostaq::main_text
