#pragma once

#include "config/ProviderConstants.h"
#include "platform/CommandRunner.h"
#include "ui/wizard/WizardFlow.h"

#include <QDialog>
#include <array>
#include <memory>
#include <string>

class QLabel;
class QPushButton;
class QStackedWidget;

namespace hostaq {

class TWizardStep;
class TWizardStepConnection;
class TWizardStepDialer;
class TWizardStepHostnameEntry;
class TWizardStepHostnames;
class TWizardStepPrivateAddresses;
class TWizardStepPublicAddress;

// The setup wizard: Welcome, the eleven steps of the main page, Finish. Nothing is written to the
// configuration file before Finish; Finish saves everything as one update of the file.
class TFormWizard : public QDialog {
    Q_OBJECT
public:
    explicit TFormWizard(QWidget* parent = nullptr);
    ~TFormWizard() override;

    // StepWelcome, a step of the main page, or StepFinish.
    int CurrentStep() const { return current_; }
    TWizardValues Values() const;
    // The second line of the current step's header.
    QString HeaderText() const;
    bool Downloaded() const { return downloaded_; }
    bool Checking() const { return checking_; }
    bool Downloading() const { return downloading_; }

    void Next();
    void Back();
    void reject() override;

    // Detect My IP (public address page) and Test (private addresses page).
    void DetectMyIp();
    void TestLocalList();
    // The ends of the address check and of the hostname download.
    void CheckDone(const std::string& address);
    void DownloadDone(const std::string& text);

    // Seams: the check-ip page of the address test, how the service install runs its command, and
    // the folder of the autostart entry (empty: the desktop's).
    std::string CheckIpPage = DefaultCheckIpPage;
    TCommandRunner ServiceRunner = RunCommand;
    std::string AutostartFolder;

private:
    enum class TCheckTarget { PublicPage, PrivatePage };

    void ShowStep(int step);
    // The first control of a page that takes the keyboard; nullptr when it has none.
    static QWidget* FirstInput(QWidget* page);
    void ShowProblem(const TWizardProblem& problem);
    void SetBusy(bool busy);
    void StartCheck(TCheckTarget target);
    void StartDownload(const TWizardValues& values);
    void Finish();

    std::string path_;
    int current_ = StepWelcome;
    bool downloaded_ = false;
    bool checking_ = false;
    bool downloading_ = false;
    // Answers of workers that outlive the window check this before they touch it.
    std::shared_ptr<bool> alive_ = std::make_shared<bool>(true);
    TCheckTarget checkTarget_ = TCheckTarget::PublicPage;
    QString hostnamesHeader_;

    QStackedWidget* outer_;
    QStackedWidget* steps_;
    QLabel* headerTitle_;
    QLabel* headerText_;
    std::array<TWizardStep*, WizardStepCount> pages_{};
    TWizardStepPublicAddress* publicPage_;
    TWizardStepPrivateAddresses* privatePage_;
    TWizardStepHostnameEntry* entryPage_;
    TWizardStepHostnames* hostnamesPage_;
    QPushButton* back_;
    QPushButton* next_;
    QPushButton* cancel_;
    QPushButton* help_;
};

} // namespace hostaq
