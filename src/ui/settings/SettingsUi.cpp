#include "ui/settings/SettingsUi.h"

#include "ui/common/Prompt.h"

#include <QWidget>

namespace hostaq {

void ShowFieldProblem(QWidget* parent, QWidget* field, const QString& message, bool error) {
    TPrompt::Beep();
    if (error)
        TPrompt::Error(parent, message);
    else
        TPrompt::Warning(parent, message);
    if (field)
        field->setFocus();
}

} // namespace hostaq
