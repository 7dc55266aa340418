#pragma once

#include "ui/settings/SettingsLogic.h"

#include <QWidget>

class QCheckBox;
class QPushButton;

namespace hostaq {

// The Misc page: the two program lists, the report mail, the ServU update and the version check,
// each a check box with its Setting button; and the check at once on a network change. Checking a box whose
// settings are missing opens them at once.
class TSettingsMiscPage : public QWidget {
    Q_OBJECT
public:
    explicit TSettingsMiscPage(QWidget* parent = nullptr);

    void Load(const TMiscValues& values);
    void Store(TMiscValues& values) const;

    void RunProgramsClicked(bool checked);
    void DiscRunProgramsClicked(bool checked);
    void SendMailClicked(bool checked);
    void UpdateServUClicked(bool checked);

    void EditRunList();
    void EditDiscRunList();
    void EditMail();
    void EditServU();
    void EditAutoUpdate();

private:
    void UpdateEnabling();

    QCheckBox* runPrograms_;
    QCheckBox* discRunPrograms_;
    QCheckBox* sendMail_;
    QCheckBox* updateServU_;
    QCheckBox* checkUpdate_;
    QCheckBox* eventCheck_;
    QPushButton* runSetting_;
    QPushButton* discRunSetting_;
    QPushButton* mailSetting_;
    QPushButton* servUSetting_;
    QPushButton* updateSetting_;
};

} // namespace hostaq
