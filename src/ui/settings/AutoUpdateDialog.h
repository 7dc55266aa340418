#pragma once

#include <QDialog>

#include <memory>

class QComboBox;
class QLabel;
class QPushButton;

namespace hostaq {

class TPresenter;
class TSoftwareUpdate;

// The software-update dialog: the period of the periodic check, when it last ran, this version
// and the newest version seen, and Check Now. OK writes the period; Cancel writes nothing (Check
// Now stores its own results at once). Check Now reads the page on a worker: the dialog stays
// live meanwhile, and closing it ends the check.
class TFormAutoUpdate : public QDialog {
    Q_OBJECT
public:
    explicit TFormAutoUpdate(QWidget* parent = nullptr);
    ~TFormAutoUpdate() override;

    bool Execute();
    void CheckNow();
    // A Check Now is reading its page.
    bool Checking() const;
    void accept() override;

private:
    void RefreshLabels();
    void CheckDone();

    std::unique_ptr<TPresenter> presenter_;
    std::unique_ptr<TSoftwareUpdate> update_;

    QComboBox* period_;
    QLabel* lastChecked_;
    QLabel* thisVersion_;
    QLabel* currentVersion_;
    QPushButton* checkNow_;
};

} // namespace hostaq
