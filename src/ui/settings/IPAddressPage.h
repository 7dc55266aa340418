#pragma once

#include "ui/settings/SettingsLogic.h"

#include <QWidget>
#include <functional>

class QCheckBox;
class QGroupBox;
class QLabel;
class QLineEdit;
class QPushButton;
class QRadioButton;

namespace hostaq {

class TWebCheck;

// The IP Address page: the default detection settings or the user's own (Configure), Detect My
// IP with its result, Compare and the link to the default check-ip page. It holds the address
// working values of the dialog.
class TSettingsIPAddressPage : public QWidget {
    Q_OBJECT
public:
    explicit TSettingsIPAddressPage(QWidget* parent = nullptr);

    void Load(const TAddressValues& values);
    void Store(TAddressValues& values) const;
    const TAddressValues& Working() const { return working_; }
    bool Detecting() const;
    // The IPv6 field the OK check sends the user to: the one of the chosen source.
    QWidget* IPv6Field() const;

    // The Connection page's values, for the proxy of Detect My IP and of the Test of Configure.
    std::function<TConnectionValues()> ConnectionSource;

    void Configure();
    void DetectMyIP();
    void Compare();

signals:
    // Detect My IP started (true) or finished (false).
    void DetectBusy(bool busy);

private:
    void UpdateEnabling();
    QGroupBox* BuildIPv6Box();
    int IPv6Source() const;
    void DetectFinished(const QString& address);
    TCheckSettings CheckSettingsNow() const;

    TAddressValues working_;
    TWebCheck* check_;
    QRadioButton* default_;
    QRadioButton* manual_;
    QPushButton* configure_;
    QPushButton* detect_;
    QLabel* result_;
    // The IPv6 source.
    QRadioButton* ipv6Interface_;
    QRadioButton* ipv6Page_;
    QRadioButton* ipv6Manual_;
    QLineEdit* ipv6InterfaceName_;
    QCheckBox* ipv6Temporary_;
    QLineEdit* ipv6CheckPage_;
    QLineEdit* ipv6ManualIP_;
};

} // namespace hostaq
