#pragma once

class QWidget;

namespace hostaq {

// The setup wizard; true when it was left with Finish (its settings and group are saved).
bool ExecSetupWizard(QWidget* parent);

} // namespace hostaq
