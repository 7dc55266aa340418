#pragma once

#include "ui/settings/SettingsLogic.h"

#include <QWidget>
#include <array>

class QLabel;

namespace hostaq {

// The Icons page: the pictures of the normal, warning, error, disabled and dialer states, each
// with "Change..." (the icon picker). The choices are saved with the dialog's OK.
class TSettingsIconsPage : public QWidget {
    Q_OBJECT
public:
    explicit TSettingsIconsPage(QWidget* parent = nullptr);

    void Load(const std::array<TIconChoice, SettingsIconCount>& icons);
    void Store(std::array<TIconChoice, SettingsIconCount>& icons) const;
    void Change(int picture);

private:
    void ShowPicture(int picture);

    std::array<TIconChoice, SettingsIconCount> icons_;
    std::array<QLabel*, SettingsIconCount> pictures_{};
};

} // namespace hostaq
