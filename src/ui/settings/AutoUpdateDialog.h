#pragma once

#include <QDialog>

class QComboBox;
class QLabel;
class QPushButton;

namespace hostaq {

// The software-update dialog: the period of the periodic check, when it last ran, this version
// and the newest version seen, and Check Now. OK writes the period; Cancel writes nothing (Check
// Now stores its own results at once).
class TFormAutoUpdate : public QDialog {
    Q_OBJECT
public:
    explicit TFormAutoUpdate(QWidget* parent = nullptr);

    bool Execute();
    void CheckNow();
    void accept() override;

private:
    void RefreshLabels();

    QComboBox* period_;
    QLabel* lastChecked_;
    QLabel* thisVersion_;
    QLabel* currentVersion_;
    QPushButton* checkNow_;
};

} // namespace hostaq
