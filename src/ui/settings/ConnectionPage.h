#pragma once

#include "ui/settings/SettingsLogic.h"

#include <QWidget>

class QCheckBox;
class QComboBox;
class QLineEdit;
class QRadioButton;

namespace hostaq {

// The Connection page: "Dial-up" or "Local Area Network", the update server port and the proxy.
// The wizard shows the same page.
class TSettingsConnectionPage : public QWidget {
    Q_OBJECT
public:
    explicit TSettingsConnectionPage(QWidget* parent = nullptr);

    void Load(const TConnectionValues& values);
    void Store(TConnectionValues& values) const;
    TConnectionValues Values() const;
    bool DialUp() const;

    // The field a problem of this page names (null for another page's field).
    QWidget* Field(TSettingsProblem::TField field) const;
    void ClearProxyConfirm();

signals:
    void ModeChanged(bool dialUp);

private:
    void UpdateEnabling();

    QRadioButton* dialUp_;
    QRadioButton* lan_;
    QComboBox* serverPort_;
    QCheckBox* useProxy_;
    QLineEdit* host_;
    QLineEdit* port_;
    QLineEdit* user_;
    QLineEdit* password_;
    QLineEdit* confirm_;
};

} // namespace hostaq
