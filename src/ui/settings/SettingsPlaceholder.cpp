// Stands in for the settings dialog until it is built.
#include "ui/common/Prompt.h"
#include "ui/settings/SettingsEntry.h"

namespace hostaq {

bool ExecSettingsDialog(QWidget* parent, TEngine&) {
    TPrompt::Information(parent, QStringLiteral("The settings dialog is not available in this version yet."));
    return false;
}

} // namespace hostaq
