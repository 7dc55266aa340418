#include "ui/wizard/WizardEntry.h"

#include "ui/wizard/FormWizard.h"

namespace hostaq {

bool ExecSetupWizard(QWidget* parent) {
    TFormWizard wizard(parent);
    return wizard.exec() == QDialog::Accepted;
}

} // namespace hostaq
