#pragma once

#include <QDialog>

class QLineEdit;
class QPushButton;

namespace hostaq {

// "ServU Setting": where the ServU server keeps its configuration file. OK writes
// Options/ServUIniLoc and is enabled only while the location is not empty.
class TFormServU : public QDialog {
    Q_OBJECT
public:
    explicit TFormServU(QWidget* parent = nullptr);

    bool Execute();
    void Browse();
    void accept() override;

private:
    void TextChanged();

    QLineEdit* location_;
    QPushButton* ok_;
};

} // namespace hostaq
