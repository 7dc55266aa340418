#pragma once

#include <QDialog>

class QLineEdit;

namespace hostaq {

// Asks for the name of a new group before the editor opens. Name() is what was typed when the
// dialog was closed with OK, else empty.
class TFormAskAccName : public QDialog {
    Q_OBJECT
public:
    explicit TFormAskAccName(QWidget* parent = nullptr);

    QString Name() const;

private:
    QLineEdit* editName_;
};

} // namespace hostaq
