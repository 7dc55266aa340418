#pragma once

#include "net/MailReport.h"

#include <QDialog>
#include <memory>

class QCheckBox;
class QComboBox;
class QLineEdit;
class QPushButton;

namespace hostaq {

class TSmtpCancel;

// "Email Settings": the mail keys, checked and saved on OK, and a test mail sent with the
// dialog's fields.
class TFormEmailSettings : public QDialog {
    Q_OBJECT
public:
    explicit TFormEmailSettings(QWidget* parent = nullptr);
    ~TFormEmailSettings() override;

    // Shows the dialog; true when it was left with OK (the keys are saved).
    bool Execute();

    TMailSettings Settings() const;
    bool TestRunning() const { return cancel_ != nullptr; }

    void SendTest();
    void accept() override;
    void reject() override;

private:
    void UpdateEnabling();
    void TestDone(const QString& message, bool sent);
    // Stops a test mail under way; its result is not shown any more.
    void AbortTest();

    QLineEdit* recipients_;
    QLineEdit* from_;
    QLineEdit* subject_;
    QComboBox* host_;
    QLineEdit* port_;
    QCheckBox* ssl_;
    QCheckBox* auth_;
    QLineEdit* user_;
    QLineEdit* password_;
    QLineEdit* confirm_;
    QLineEdit* localHost_;
    QPushButton* test_;
    std::shared_ptr<TSmtpCancel> cancel_;
    std::shared_ptr<bool> alive_ = std::make_shared<bool>(true);
};

} // namespace hostaq
