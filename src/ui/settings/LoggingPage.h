#pragma once

#include "ui/settings/SettingsLogic.h"

#include <QWidget>

class QCheckBox;
class QComboBox;
class QSpinBox;

namespace hostaq {

// The Logging page: the screen list and its length, the log file, its period and how many are kept.
class TSettingsLoggingPage : public QWidget {
    Q_OBJECT
public:
    explicit TSettingsLoggingPage(QWidget* parent = nullptr);

    void Load(const TLoggingValues& values);
    void Store(TLoggingValues& values) const;

private:
    QCheckBox* toScreen_;
    QSpinBox* maxLines_;
    QCheckBox* toFile_;
    QComboBox* interval_;
    QComboBox* kept_;
};

} // namespace hostaq
