#include "ui/wizard/FormWizard.h"

#include "config/ConfigKeys.h"
#include "config/ConfigPath.h"
#include "config/Messages.h"
#include "config/Version.h"
#include "groups/HostDownload.h"
#include "groups/HostList.h"
#include "ipdetect/FindIPProxy.h"
#include "ipdetect/LocalList.h"
#include "net/SystemProxy.h"
#include "platform/Autostart.h"
#include "ui/common/Desktop.h"
#include "ui/common/MsgText.h"
#include "ui/common/Prompt.h"
#include "ui/common/UiMessages.h"
#include "ui/editor/HostListPanel.h"
#include "ui/wizard/WizardMessages.h"
#include "ui/wizard/WizardSteps.h"

#include <QApplication>
#include <QButtonGroup>
#include <QFrame>
#include <QHBoxLayout>
#include <QLabel>
#include <QLineEdit>
#include <QPushButton>
#include <QRadioButton>
#include <QStackedWidget>
#include <QUrl>
#include <QVBoxLayout>
#include <sstream>

namespace hostaq {

namespace {
constexpr int MsgPublicAddress = 10033;
constexpr int MsgHostsDetected = 10061;
constexpr int MsgEnterHostname = 10062;
constexpr int MsgCaption = 10076;
constexpr int MsgNext = 10078;
constexpr int MsgFinish = 10079;
constexpr int MsgCancelWizard = 10080;
constexpr int MsgNoPublicAddress = 10145;
constexpr int MsgPleaseWait = 10153;
constexpr int MsgBusyChecking = 10388;
constexpr int MsgBusyDownloading = 10389;

// The header of each step: a title and a line under it.
constexpr std::array<std::pair<int, int>, WizardStepCount> StepHeaders{{{10007, 10008},
                                                                        {10014, 10015},
                                                                        {10022, 10023},
                                                                        {10028, 10029},
                                                                        {10037, 10038},
                                                                        {10045, 10046},
                                                                        {10049, 10050},
                                                                        {10052, 10053},
                                                                        {10059, 10060},
                                                                        {10068, 10069},
                                                                        {10426, 10427}}};

QString Q(const std::string& s) {
    return QString::fromStdString(s);
}

QFrame* Rule(QWidget* parent) {
    auto* line = new QFrame(parent);
    line->setFrameShape(QFrame::HLine);
    line->setFrameShadow(QFrame::Sunken);
    return line;
}

std::vector<std::string> Lines(const std::string& text) {
    std::vector<std::string> lines;
    std::istringstream in(text);
    std::string line;
    while (std::getline(in, line)) {
        if (!line.empty() && line.back() == '\r')
            line.pop_back();
        if (!line.empty())
            lines.push_back(line);
    }
    return lines;
}

std::string JoinLines(const std::vector<std::string>& lines) {
    std::string text;
    for (const std::string& l : lines)
        text += (text.empty() ? "" : "\r\n") + l;
    return text;
}
} // namespace

TFormWizard::TFormWizard(QWidget* parent) : QDialog(parent), path_(ConfigPath()) {
    setObjectName(QStringLiteral("FormWizard"));
    setWindowTitle(Q(Msg(MsgCaption)));

    // Preselections: a machine on a private network (or the provider edition) is on a LAN; the
    // proxy comes from the desktop's setting.
    const bool lan = HasPrivateAddress(IsHostaqEdition());
    const TSystemProxy proxy = GetIEProxy("http");

    auto* connection = new TWizardStepConnection(lan, !proxy.Host.empty(), this);
    auto* dialer = new TWizardStepDialer(this);
    publicPage_ = new TWizardStepPublicAddress(this);
    privatePage_ = new TWizardStepPrivateAddresses(Lines(BuildLocalList()), this);
    entryPage_ = new TWizardStepHostnameEntry(this);
    hostnamesPage_ = new TWizardStepHostnames(this);
    auto* login = new TWizardStepLogin(this);
    pages_ = {connection,
              new TWizardStepProxy(proxy.Host, proxy.Port, this),
              dialer,
              publicPage_,
              privatePage_,
              new TWizardStepGroupName(this),
              login,
              entryPage_,
              hostnamesPage_,
              new TWizardStepAutoUpdate(this),
              new TWizardStepStartOptions(this)};

    steps_ = new QStackedWidget(this);
    steps_->setObjectName(QStringLiteral("PageControlMain"));
    for (TWizardStep* page : pages_)
        steps_->addWidget(page);

    headerTitle_ = new QLabel(this);
    headerTitle_->setObjectName(QStringLiteral("LabelHeaderTitle"));
    QFont bold = headerTitle_->font();
    bold.setBold(true);
    headerTitle_->setFont(bold);
    headerText_ = new QLabel(this);
    headerText_->setObjectName(QStringLiteral("LabelHeaderText"));
    headerText_->setWordWrap(true);
    auto* header = new QWidget(this);
    header->setObjectName(QStringLiteral("PanelHeader"));
    header->setAutoFillBackground(true);
    header->setBackgroundRole(QPalette::Base);
    auto* headerLayout = new QVBoxLayout(header);
    headerLayout->addWidget(headerTitle_);
    auto* indent = new QHBoxLayout;
    indent->setContentsMargins(16, 0, 0, 0);
    indent->addWidget(headerText_);
    headerLayout->addLayout(indent);

    auto* main = new QWidget(this);
    main->setObjectName(QStringLiteral("TabSheetMain"));
    auto* mainLayout = new QVBoxLayout(main);
    mainLayout->setContentsMargins(0, 0, 0, 0);
    mainLayout->addWidget(header);
    mainLayout->addWidget(Rule(main));
    auto* stepMargin = new QVBoxLayout;
    stepMargin->setContentsMargins(24, 8, 24, 8);
    stepMargin->addWidget(steps_, 1);
    mainLayout->addLayout(stepMargin, 1);

    outer_ = new QStackedWidget(this);
    outer_->setObjectName(QStringLiteral("PageControlOuter"));
    auto* welcome = new TWizardWelcomePage(this);
    auto* finish = new TWizardFinishPage(this);
    for (QWidget* w : std::initializer_list<QWidget*>{welcome, finish})
        w->setContentsMargins(24, 16, 24, 8);
    outer_->addWidget(welcome);
    outer_->addWidget(main);
    outer_->addWidget(finish);

    back_ = new QPushButton(MsgText(MsgWizBack), this);
    back_->setObjectName(QStringLiteral("ButtonBack"));
    next_ = new QPushButton(Q(Msg(MsgNext)), this);
    next_->setObjectName(QStringLiteral("ButtonNext"));
    next_->setDefault(true);
    cancel_ = new QPushButton(MsgText(MsgCancel), this);
    cancel_->setObjectName(QStringLiteral("ButtonCancel"));
    help_ = new QPushButton(MsgText(MsgHelpCmd), this);
    help_->setObjectName(QStringLiteral("ButtonHelp"));
    auto* buttons = new QHBoxLayout;
    buttons->setContentsMargins(12, 4, 12, 12);
    buttons->addWidget(help_);
    buttons->addStretch(1);
    buttons->addWidget(back_);
    buttons->addWidget(next_);
    buttons->addSpacing(8);
    buttons->addWidget(cancel_);

    auto* layout = new QVBoxLayout(this);
    layout->setContentsMargins(0, 0, 0, 0);
    layout->addWidget(outer_, 1);
    layout->addWidget(Rule(this));
    layout->addLayout(buttons);

    connect(back_, &QPushButton::clicked, this, &TFormWizard::Back);
    connect(next_, &QPushButton::clicked, this, &TFormWizard::Next);
    connect(cancel_, &QPushButton::clicked, this, &TFormWizard::reject);
    connect(help_, &QPushButton::clicked, this,
            [this] { TDesktop::OpenHelpTopic(this, QStringLiteral("wizard.html")); });
    connect(publicPage_, &TWizardStepPublicAddress::DetectRequested, this, &TFormWizard::DetectMyIp);
    connect(publicPage_, &TWizardStepPublicAddress::ConfigureRequested, this,
            [this] { ShowStep(StepPrivateAddresses); });
    connect(publicPage_, &TWizardStepPublicAddress::CompareRequested, this,
            [this] { TDesktop::OpenUrl(this, QUrl(QString::fromLatin1(DefaultCheckIpPage))); });
    connect(privatePage_, &TWizardStepPrivateAddresses::TestRequested, this, &TFormWizard::TestLocalList);
    // A list downloaded for one login says nothing about another.
    connect(login, &TWizardStepLogin::LoginEdited, this, [this] { downloaded_ = false; });

    hostnamesHeader_ = Q(Msg(StepHeaders[StepHostnames].second));
    resize(620, 460);
    ShowStep(StepWelcome);
}

TFormWizard::~TFormWizard() {
    if (downloading_)
        QApplication::restoreOverrideCursor();
}

TWizardValues TFormWizard::Values() const {
    TWizardValues v;
    for (const TWizardStep* page : pages_)
        page->Store(v);
    return v;
}

QString TFormWizard::HeaderText() const {
    return headerText_->text();
}

void TFormWizard::ShowStep(int step) {
    current_ = step;
    if (step == StepWelcome) {
        outer_->setCurrentIndex(0);
    } else if (step == StepFinish) {
        outer_->setCurrentIndex(2);
    } else {
        outer_->setCurrentIndex(1);
        steps_->setCurrentIndex(step);
        const auto [title, text] = StepHeaders[static_cast<std::size_t>(step)];
        headerTitle_->setText(Q(Msg(title)));
        headerText_->setText(step == StepHostnames ? hostnamesHeader_ : Q(Msg(text)));
    }
    back_->setEnabled(step != StepWelcome && !checking_ && !downloading_);
    next_->setText(Q(Msg(step == StepFinish ? MsgFinish : MsgNext)));
    // A keyboard user types into the page at once: its first input takes the focus (a text is
    // selected, so typing replaces it); pages without one leave it on Next.
    QWidget* first = step == StepWelcome || step == StepFinish
                         ? nullptr
                         : FirstInput(pages_[static_cast<std::size_t>(step)]);
    (first ? first : next_)->setFocus();
    if (auto* edit = qobject_cast<QLineEdit*>(first))
        edit->selectAll();
}

QWidget* TFormWizard::FirstInput(QWidget* page) {
    for (QWidget* w = page->nextInFocusChain(); w != page; w = w->nextInFocusChain()) {
        if (!page->isAncestorOf(w) || !(w->focusPolicy() & Qt::TabFocus) || !w->isEnabled() ||
            !w->isVisibleTo(page))
            continue;
        // Of a group of choices, the one chosen, as the Tab key would reach it.
        if (auto* radio = qobject_cast<QRadioButton*>(w);
            radio && radio->group() && radio->group()->checkedButton())
            return radio->group()->checkedButton();
        return w;
    }
    return nullptr;
}

void TFormWizard::ShowProblem(const TWizardProblem& problem) {
    TPrompt::Error(this, Q(problem.Message));
    if (QWidget* field = pages_[static_cast<std::size_t>(current_)]->Field(problem.Focus)) {
        if (problem.ClearField)
            if (auto* edit = qobject_cast<QLineEdit*>(field))
                edit->clear();
        field->setFocus();
    }
}

void TFormWizard::Next() {
    if (checking_ || downloading_)
        return;
    if (current_ == StepWelcome) {
        ShowStep(StepConnection);
        return;
    }
    if (current_ == StepFinish) {
        Finish();
        return;
    }
    const TWizardValues v = Values();
    if (auto problem = CheckWizardStep(current_, path_, v)) {
        ShowProblem(*problem);
        return;
    }
    if (current_ == StepHostnameEntry && v.AutoDownload && !downloaded_) {
        StartDownload(v);
        return;
    }
    ShowStep(NextStep(current_, v));
}

void TFormWizard::Back() {
    if (checking_ || downloading_)
        return;
    ShowStep(BackStep(current_, Values()));
}

void TFormWizard::reject() {
    const std::string caption = Msg(MsgCaption);
    if (checking_) {
        TPrompt::Error(this, Q(FormatMsg(MsgBusyChecking, {caption, "\r\n"})));
        return;
    }
    if (downloading_) {
        TPrompt::Error(this, Q(FormatMsg(MsgBusyDownloading, {caption, "\r\n"})));
        return;
    }
    if (!TPrompt::YesNo(this, Q(FormatMsg(MsgCancelWizard, {caption}))))
        return;
    QDialog::reject();
}

void TFormWizard::SetBusy(bool busy) {
    back_->setEnabled(!busy && current_ != StepWelcome);
    next_->setEnabled(!busy);
    help_->setEnabled(!busy);
}

void TFormWizard::DetectMyIp() {
    StartCheck(TCheckTarget::PublicPage);
}

void TFormWizard::TestLocalList() {
    StartCheck(TCheckTarget::PrivatePage);
}

void TFormWizard::StartCheck(TCheckTarget target) {
    if (checking_ || downloading_)
        return;
    const TWizardValues v = Values();
    auto* check = new TFindIPProxy();
    check->UserAgent = BuildUserAgent();
    check->ServerURL = CheckIpPage;
    check->LocalList = JoinLines(v.LocalList);
    if (!v.DialUp && v.UseProxy) {
        check->ProxyHost = v.ProxyHost;
        check->ProxyPort = v.ProxyPort;
        check->ProxyUser = v.ProxyUser;
        check->ProxyPass = v.ProxyPassword;
    }
    check->VerifyCertificate = ReadBool(path_, Keys::VerifyCertificate);
    // The worker outlives a closed wizard: its answer reaches the wizard only while it exists.
    std::weak_ptr<bool> alive = alive_;
    check->OnDone = [this, alive](TFindIPProxy&, const std::string& address) {
        if (alive.lock())
            CheckDone(address);
    };
    checking_ = true;
    checkTarget_ = target;
    SetBusy(true);
    const QString wait = Q(Msg(MsgPleaseWait));
    if (target == TCheckTarget::PublicPage) {
        publicPage_->SetRunning(true);
        publicPage_->SetResult(wait);
    } else {
        privatePage_->SetRunning(true);
        privatePage_->SetResult(wait);
    }
    check->Start();
}

void TFormWizard::CheckDone(const std::string& address) {
    if (!checking_)
        return;
    checking_ = false;
    const QString result =
        Q(address.empty() ? Msg(MsgNoPublicAddress) : FormatMsg(MsgPublicAddress, {address}));
    if (checkTarget_ == TCheckTarget::PublicPage) {
        publicPage_->SetRunning(false);
        publicPage_->SetResult(result);
    } else {
        privatePage_->SetRunning(false);
        privatePage_->SetResult(result);
    }
    SetBusy(false);
}

void TFormWizard::StartDownload(const TWizardValues& v) {
    auto* download = new THostDownload();
    download->Agent = BuildUserAgent();
    download->UserName = v.UserName;
    download->Password = v.Password;
    download->URL = HostListURL(path_);
    // The proxy of the wizard's own pages, only on a local network.
    if (!v.DialUp && v.UseProxy) {
        download->ProxyHost = v.ProxyHost;
        download->ProxyPort = v.ProxyPort;
        download->ProxyUser = v.ProxyUser;
        download->ProxyPass = v.ProxyPassword;
    }
    download->VerifyCertificate = ReadBool(path_, Keys::VerifyCertificate);
    std::weak_ptr<bool> alive = alive_;
    download->OnDone = [this, alive](THostDownload&, const std::string& text) {
        if (alive.lock())
            DownloadDone(text);
    };
    downloading_ = true;
    QApplication::setOverrideCursor(Qt::WaitCursor);
    entryPage_->SetRunning(true);
    SetBusy(true);
    download->StartDownload();
}

void TFormWizard::DownloadDone(const std::string& text) {
    if (!downloading_)
        return;
    downloading_ = false;
    QApplication::restoreOverrideCursor();
    entryPage_->SetRunning(false);
    SetBusy(false);
    const THostListOutcome outcome = InterpretHostList(text);
    if (outcome.Kind == THostListOutcome::Hosts) {
        std::vector<THostRow> rows;
        for (const THostEntry& entry : outcome.Entries)
            rows.push_back(THostRow{entry.Host, entry.System, {}, false});
        hostnamesPage_->Panel()->SetRows(rows);
        downloaded_ = true;
        hostnamesHeader_ = Q(FormatMsg(MsgHostsDetected, {AppTitle}));
    } else {
        TPrompt::Beep();
        TPrompt::Error(this, Q(outcome.Message));
        downloaded_ = false;
        hostnamesHeader_ = Q(Msg(MsgEnterHostname));
    }
    ShowStep(StepHostnames);
}

void TFormWizard::Finish() {
    const TWizardValues v = Values();
    if (PlanWizardGroups(v).TooManyHosts)
        TPrompt::Warning(this, Q(TooManyHostsSaveMessage()));
    if (!SaveWizard(path_, v))
        return; // reported; nothing was changed and the wizard stays open
    const TAutostart autostart(AutostartFolder);
    if (v.StartOption == TStartOption::StartWithWindows) {
        if (!autostart.Create(ProgramPath()))
            TPrompt::Warning(this, MsgText(MsgWizAutostartFailed, {autostart.EntryPath()}));
    } else if (v.StartOption == TStartOption::InstallService) {
        autostart.Delete();
        const TServiceInstallOutcome outcome = InstallServiceWithPkexec(ProgramPath(), path_, ServiceRunner);
        if (outcome.Ok)
            TPrompt::Information(this, Q(outcome.Message));
        else
            TPrompt::Warning(this, Q(outcome.Message));
    }
    QDialog::accept();
}

} // namespace hostaq
