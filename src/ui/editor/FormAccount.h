#pragma once

#include "ui/editor/AccountLogic.h"

#include <QDialog>
#include <QStringList>
#include <memory>
#include <string>

class QCheckBox;
class QComboBox;
class QLabel;
class QLineEdit;
class QPushButton;
class QTabWidget;

namespace hostaq {

class THostListPanel;

// The group editor: one group's login, hostnames, options, name and provider. It works on the
// values in its controls and writes the group (one group per system of its hostnames) only when
// OK is pressed after a change.
class TFormAccount : public QDialog {
    Q_OBJECT
public:
    // Opens the group of that name from the configuration file; a name without a section starts
    // a new group with the defaults.
    TFormAccount(QWidget* parent, const std::string& groupName);
    ~TFormAccount() override;

    // The names of the groups written by OK, in order; empty when nothing was written.
    const QStringList& WrittenNames() const { return written_; }
    bool Modified() const { return modified_; }
    bool Downloading() const { return downloading_; }

    TAccountValues Values() const;

    void accept() override;
    void reject() override;

    // Starts the hostname download (the Download button).
    void Download();
    // The end of a download, with the answer's text.
    void DownloadDone(const std::string& text);

protected:
    void closeEvent(QCloseEvent* event) override;

private:
    QWidget* BuildProviderPage();
    QWidget* BuildOptionsPage();
    void Load();
    void SetModified() { modified_ = true; }
    void UpdateEnabling();
    void ShowProblem(const TAccountProblem& problem);
    void SetControlsEnabled(bool enabled);
    bool RefuseWhileDownloading();
    void BrowseProfile();
    void EditProfile();

    std::string path_;
    std::string openingName_;
    bool edition_;
    bool modified_ = false;
    bool downloading_ = false;
    // Answers of workers that outlive the window check this before they touch it.
    std::shared_ptr<bool> alive_ = std::make_shared<bool>(true);
    bool loading_ = false;
    QStringList written_;

    QTabWidget* pages_;
    QLineEdit* editUsername_;
    QLineEdit* editPassword_;
    QLineEdit* editConfirm_;
    THostListPanel* hosts_;
    QPushButton* buttonDownload_;
    QCheckBox* wildcard_;
    QLineEdit* mailEx_;
    QCheckBox* backupMX_;
    QCheckBox* secure_;
    QCheckBox* ipv6_;
    QLineEdit* ipv6Suffix_;
    QLabel* labelIPv6Suffix_;
    QLineEdit* editName_;
    QComboBox* provider_;
    QLineEdit* editCfgFile_;
    QPushButton* buttonBrowse_;
    QPushButton* buttonEdit_;
    QLabel* labelProvider_;
    QLabel* labelProfile_;
    QPushButton* buttonOK_;
    QPushButton* buttonCancel_;
    QPushButton* buttonHelp_;
};

} // namespace hostaq
