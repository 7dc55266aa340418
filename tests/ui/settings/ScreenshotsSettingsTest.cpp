// Opens every page of the settings dialog and every sub-dialog: their texts are checked, and
// scripts/screenshots.sh draws them.
#include "SettingsFixture.h"
#include "ui/Screenshots.h"
#include "ui/common/IPAddressDialog.h"
#include "ui/settings/AutoUpdateDialog.h"
#include "ui/settings/EmailSettingsDialog.h"
#include "ui/settings/IPDetectDialog.h"
#include "ui/settings/IconPickerDialog.h"
#include "ui/settings/ProgramListDialog.h"
#include "ui/settings/ServUDialog.h"
#include "ui/settings/SettingsDialog.h"

#include <QApplication>
#include <QPixmap>
#include <QTabWidget>

namespace hostaq::test {
namespace {

class ScreenshotsSettings : public SettingsFixture {
protected:
    static void Save(QWidget& window, const QString& name) {
        SaveScreenshot(&window, name);
        window.hide();
    }
};

TEST_F(ScreenshotsSettings, EveryPageAndDialog) {
    std::string groups;
    for (int i = 1; i <= 6; ++i)
        groups += "[Group " + std::to_string(i) +
                  "]\nType=0\nUserID=u\nPassword=00\nNumOfHosts=" + std::to_string(i) +
                  "\nEnable=" + (i == 3 ? "0" : "1") + "\nLastUpdate=2008010" + std::to_string(i) +
                  "101500\nUpdateResult=" + std::to_string(i % 3) + "\n";
    WriteFile(groups +
              "[Options]\nRunPrograms=1\nSendMail=1\nSMTPHost=mail.example.test\n[Run]\n1=/usr/bin/logger "
              "%CURRENT_IP%\n2=/opt/notify.sh\nEnb2=0\nIP1=1\n");
    THostaqFormSetting dialog;
    dialog.resize(dialog.sizeHint());
    const char* pages[] = {"groups", "connection", "dialer", "ipaddress", "logging", "icons", "misc"};
    auto* tabs = dialog.findChild<QTabWidget*>("PageControl");
    for (int i = 0; i < SettingsPageCount; ++i) {
        tabs->setCurrentIndex(i);
        Save(dialog, QStringLiteral("settings-%1-%2").arg(i + 1).arg(QLatin1String(pages[i])));
    }
    TFormIPDetect detect(
        nullptr, {false, "", "http://checkip.hostaq.example/", {"192.168.1.1", "10.0.0.0-10.255.255.255"}},
        {});
    Save(detect, QStringLiteral("settings-ipdetect"));
    TIPAddressDialog address;
    Save(address, QStringLiteral("settings-ipaddress-dialog"));
    TFormEmailSettings mail;
    Save(mail, QStringLiteral("settings-email"));
    TFormServU servU;
    Save(servU, QStringLiteral("settings-servu"));
    TFormAutoUpdate update;
    Save(update, QStringLiteral("settings-autoupdate"));
    TFormProgramList list(nullptr, true);
    Save(list, QStringLiteral("settings-programlist"));
    TFormProgramItem item(nullptr, true, {"/usr/bin/logger %CURRENT_IP%", true, true});
    Save(item, QStringLiteral("settings-programitem"));
    TFormIconPicker picker(nullptr, "", 1);
    Save(picker, QStringLiteral("settings-iconpicker"));
}

} // namespace
} // namespace hostaq::test
