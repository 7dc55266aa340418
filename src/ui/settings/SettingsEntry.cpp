#include "ui/settings/SettingsEntry.h"

#include "ui/common/ModalDialog.h"
#include "ui/settings/SettingsDialog.h"

namespace hostaq {

bool ExecSettingsDialog(QWidget* parent, TEngine&) {
    THostaqFormSetting dialog(parent);
    return ExecModal(dialog) == QDialog::Accepted;
}

} // namespace hostaq
