#pragma once

#include "config/Messages.h"

#include <QString>
#include <string>

class QWidget;

namespace hostaq {

// Small helpers the settings windows share: captions from the message table and text
// conversions between the window and the lower layers.
inline QString Caption(int id) {
    return QString::fromStdString(Msg(id));
}
inline QString QText(const std::string& text) {
    return QString::fromStdString(text);
}
inline std::string StdText(const QString& text) {
    return text.toStdString();
}

// The line break that fills the "%s" of a message shown in a box.
inline constexpr const char* BoxLineBreak = "\n";

// A failed check: the warning sound, then the box (error or warning), then the focus on the field.
void ShowFieldProblem(QWidget* parent, QWidget* field, const QString& message, bool error);

} // namespace hostaq
