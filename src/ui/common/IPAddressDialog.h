#pragma once

#include <QDialog>
#include <string>

class QLineEdit;
class QPushButton;

namespace hostaq {

// "Add IP Address": one address or a range for the local address list. Cancel is the default
// button until a field is edited, then OK; Escape closes as Cancel. OK accepts only well-formed
// addresses (a To of "0.0.0.0" or an empty To means no range).
class TIPAddressDialog : public QDialog {
    Q_OBJECT
public:
    explicit TIPAddressDialog(QWidget* parent = nullptr);

    // -1 on Cancel, 0 on OK; to is empty when the To box holds "0.0.0.0" or nothing.
    int Execute(std::string& from, std::string& to);

    QLineEdit* EditFrom() const { return from_; }
    QLineEdit* EditTo() const { return to_; }

    void accept() override;

private:
    void Edited();

    QLineEdit* from_;
    QLineEdit* to_;
    QPushButton* ok_;
    QPushButton* cancel_;
};

} // namespace hostaq
