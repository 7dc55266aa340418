#pragma once

#include "ipdetect/CheckSettings.h"

#include <QDialog>
#include <string>
#include <vector>

class QComboBox;
class QLabel;
class QLineEdit;
class QListWidget;
class QPushButton;
class QRadioButton;

namespace hostaq {

class TWebCheck;

// What the IP detection dialog edits.
struct TIPDetectValues {
    bool Manual = false;
    std::string ManualIP;
    std::string Page;
    std::vector<std::string> LocalList;
};

// "Detect Public IP Method": the address from a check-ip page (with the local address list that
// never counts as public, and a Test) or an address given by hand.
class TFormIPDetect : public QDialog {
    Q_OBJECT
public:
    // check holds the user agent and, when the proxy is to be used, the proxy values for Test.
    TFormIPDetect(QWidget* parent, const TIPDetectValues& values, const TCheckSettings& check);

    // True when closed with OK; values then holds the edited values.
    bool Execute(TIPDetectValues& values);
    TIPDetectValues Values() const;
    bool Testing() const;

    void AddEntry();
    void RemoveEntry();
    void Test();
    void accept() override;
    void done(int result) override;

private:
    void UpdateEnabling();
    void TestFinished(const QString& address);

    TCheckSettings check_;
    TWebCheck* webCheck_;
    QRadioButton* website_;
    QRadioButton* manual_;
    QComboBox* page_;
    QLineEdit* manualIP_;
    QListWidget* list_;
    QPushButton* add_;
    QPushButton* remove_;
    QPushButton* test_;
    QLabel* result_;
    QPushButton* ok_;
    QPushButton* cancel_;
};

} // namespace hostaq
