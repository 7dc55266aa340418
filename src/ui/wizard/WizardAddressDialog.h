#pragma once

#include <QDialog>

class QLineEdit;
class QPushButton;

namespace hostaq {

// Enters one local address or range of addresses: From and an optional To. Cancel is the
// default button until a field is edited. (The wizard's own; the settings dialog's address
// dialog does the same job.)
class TWizardAddressDialog : public QDialog {
    Q_OBJECT
public:
    explicit TWizardAddressDialog(QWidget* parent = nullptr);

    // The entry for the local list: From alone when To is empty or 0.0.0.0, else From-To.
    QString Entry() const;

    // Shows the dialog; the entry on OK, else empty.
    static QString AskEntry(QWidget* parent);

private:
    QLineEdit* from_;
    QLineEdit* to_;
    QPushButton* ok_;
    QPushButton* cancel_;
};

// From alone when to is empty or "0.0.0.0", else from + "-" + to; empty when from is empty.
QString LocalListEntry(const QString& from, const QString& to);

} // namespace hostaq
