// Stands in for the setup wizard until it is built.
#include "ui/common/Prompt.h"
#include "ui/wizard/WizardEntry.h"

namespace hostaq {

bool ExecSetupWizard(QWidget* parent) {
    TPrompt::Information(parent, QStringLiteral("The setup wizard is not available in this version yet."));
    return false;
}

} // namespace hostaq
