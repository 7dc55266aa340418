#pragma once

#include "ui/settings/SettingsLogic.h"

#include <QWidget>

class QCheckBox;
class QComboBox;
class QLineEdit;
class QPushButton;
class QSpinBox;

namespace hostaq {

// The Dialer page: dial when no connection is detected, the delay between attempts, the dial-up
// entry (Detect lists the phone book again), user name and password. Its fields follow "Dial-up"
// of the Connection page.
class TSettingsDialerPage : public QWidget {
    Q_OBJECT
public:
    explicit TSettingsDialerPage(QWidget* parent = nullptr);

    void Load(const TDialerValues& values);
    void Store(TDialerValues& values) const;
    void SetDialUp(bool dialUp);
    // Lists the dial-up entries (when dial-up networking is installed) and selects the first.
    void DetectEntries();

    QWidget* Field(TSettingsProblem::TField field) const;
    void ClearConfirm();

private:
    void UpdateEnabling();

    bool dialUp_ = false;
    QCheckBox* needDial_;
    QSpinBox* delay_;
    QComboBox* account_;
    QPushButton* detect_;
    QLineEdit* user_;
    QLineEdit* password_;
    QLineEdit* confirm_;
};

} // namespace hostaq
