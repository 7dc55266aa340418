#pragma once

#include "ui/settings/SettingsLogic.h"

#include <QDialog>

class QPushButton;
class QTabWidget;

namespace hostaq {

class TSettingsConnectionPage;
class TSettingsDialerPage;
class TSettingsGroupsPage;
class TSettingsIPAddressPage;
class TSettingsIconsPage;
class TSettingsLoggingPage;
class TSettingsMiscPage;

// The settings dialog: seven pages, loaded from the configuration file when it is created and
// written back as one update when it is left with OK. Closing (OK or Cancel) remembers the page,
// the position and the group list's column widths; closing is refused while Detect My IP runs.
class THostaqFormSetting : public QDialog {
    Q_OBJECT
public:
    explicit THostaqFormSetting(QWidget* parent = nullptr);

    // Everything the pages hold now.
    TSettingsValues Values() const;
    QTabWidget* Pages() const { return pages_; }
    TSettingsGroupsPage* GroupsPage() const { return groups_; }
    TSettingsConnectionPage* ConnectionPage() const { return connection_; }
    TSettingsDialerPage* DialerPage() const { return dialer_; }
    TSettingsIPAddressPage* IPAddressPage() const { return address_; }
    TSettingsIconsPage* IconsPage() const { return icons_; }
    TSettingsMiscPage* MiscPage() const { return misc_; }

    void accept() override;
    void done(int result) override;

protected:
    void showEvent(QShowEvent* event) override;

private:
    void LoadAll();
    void SetBusy(bool busy);

    QTabWidget* pages_;
    TSettingsGroupsPage* groups_;
    TSettingsConnectionPage* connection_;
    TSettingsDialerPage* dialer_;
    TSettingsIPAddressPage* address_;
    TSettingsLoggingPage* logging_;
    TSettingsIconsPage* icons_;
    TSettingsMiscPage* misc_;
    QPushButton* ok_;
    QPushButton* cancel_;
    TSettingsFormState state_;
    bool placed_ = false;
};

} // namespace hostaq
