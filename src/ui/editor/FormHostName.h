#pragma once

#include <QDialog>

class QComboBox;
class QLineEdit;

namespace hostaq {

// Asks for one hostname and its system. The title follows the name as it is typed; OK with an
// empty name is refused and the dialog stays open.
class TFormHostName : public QDialog {
    Q_OBJECT
public:
    explicit TFormHostName(QWidget* parent = nullptr);

    void SetHost(const QString& host, int system);
    QString Host() const;
    int System() const;

    void accept() override;

private:
    void UpdateTitle();

    QLineEdit* editHostname_;
    QComboBox* comboSystem_;
};

} // namespace hostaq
