#include "ui/editor/FormAccount.h"

#include "config/ConfigKeys.h"
#include "config/ConfigPath.h"
#include "config/Messages.h"
#include "config/ProviderConstants.h"
#include "config/Text.h"
#include "engine/ProgramList.h"
#include "groups/HostDownload.h"
#include "groups/HostList.h"
#include "ipdetect/LocalList.h"
#include "ui/common/Desktop.h"
#include "ui/common/MsgText.h"
#include "ui/common/Prompt.h"
#include "ui/common/UiMessages.h"
#include "ui/editor/EditorMessages.h"
#include "ui/editor/HostListPanel.h"
#include "ui/wizard/WizardMessages.h"

#include <QApplication>
#include <QCheckBox>
#include <QCloseEvent>
#include <QComboBox>
#include <QFileDialog>
#include <QFileInfo>
#include <QFormLayout>
#include <QGroupBox>
#include <QHBoxLayout>
#include <QLabel>
#include <QLineEdit>
#include <QPushButton>
#include <QTabWidget>
#include <QTreeWidget>
#include <QVBoxLayout>
#include <strings.h>

namespace hostaq {

namespace {
constexpr int MsgWizardCaption = 10076;
constexpr int MsgReplaceHosts = 10253;
constexpr int MsgBusyDownloading = 10389;
constexpr int MsgAlsoIPv6 = 10713;          // "Also update the IPv6 address (AAAA)"
constexpr int MsgIPv6SuffixCaption = 10714; // "IPv6 s&uffix:"
constexpr int MsgIPv6SuffixHint = 10715;

QString Q(const std::string& s) {
    return QString::fromStdString(s);
}
std::string S(const QString& s) {
    return s.toStdString();
}

QLineEdit* PasswordEdit(QWidget* parent, const char* name) {
    auto* edit = new QLineEdit(parent);
    edit->setObjectName(QString::fromLatin1(name));
    edit->setEchoMode(QLineEdit::Password);
    return edit;
}
} // namespace

TFormAccount::TFormAccount(QWidget* parent, const std::string& groupName)
    : QDialog(parent), path_(ConfigPath()), openingName_(groupName), edition_(IsHostaqEdition()) {
    setObjectName(QStringLiteral("FormAccount"));
    setWindowTitle(MsgText(MsgEdProperties, {groupName.empty() ? Msg(MsgEdHostnamesGroup) : groupName}));

    pages_ = new QTabWidget(this);
    pages_->setObjectName(QStringLiteral("PageControl"));
    pages_->addTab(BuildProviderPage(), MsgText(MsgEdPageProvider));
    pages_->addTab(BuildOptionsPage(), MsgText(MsgEdPageOptions));

    buttonOK_ = new QPushButton(MsgText(MsgOk), this);
    buttonOK_->setObjectName(QStringLiteral("ButtonOK"));
    buttonOK_->setDefault(true);
    buttonCancel_ = new QPushButton(MsgText(MsgCancel), this);
    buttonCancel_->setObjectName(QStringLiteral("ButtonCancel"));
    buttonHelp_ = new QPushButton(MsgText(MsgHelpCmd), this);
    buttonHelp_->setObjectName(QStringLiteral("ButtonHelp"));
    connect(buttonOK_, &QPushButton::clicked, this, &TFormAccount::accept);
    connect(buttonCancel_, &QPushButton::clicked, this, &TFormAccount::reject);
    connect(buttonHelp_, &QPushButton::clicked, this,
            [this] { TDesktop::OpenHelpTopic(this, QStringLiteral("editaccount.html")); });

    auto* buttons = new QHBoxLayout;
    buttons->addStretch(1);
    buttons->addWidget(buttonOK_);
    buttons->addWidget(buttonCancel_);
    buttons->addWidget(buttonHelp_);
    auto* layout = new QVBoxLayout(this);
    layout->addWidget(pages_);
    layout->addLayout(buttons);

    Load();
    resize(640, 460);
}

TFormAccount::~TFormAccount() {
    if (downloading_)
        QApplication::restoreOverrideCursor();
}

QWidget* TFormAccount::BuildProviderPage() {
    auto* page = new QWidget(this);
    page->setObjectName(QStringLiteral("TabSheetProvider"));

    auto* login = new QGroupBox(MsgText(MsgEdLogin), page);
    login->setObjectName(QStringLiteral("GroupBoxLogin"));
    editUsername_ = new QLineEdit(login);
    editUsername_->setObjectName(QStringLiteral("EditUsername"));
    editPassword_ = PasswordEdit(login, "EditPassword");
    editConfirm_ = PasswordEdit(login, "EditConfirm");
    auto* loginForm = new QFormLayout(login);
    loginForm->addRow(MsgText(MsgWizUserName), editUsername_);
    loginForm->addRow(MsgText(MsgWizPassword), editPassword_);
    loginForm->addRow(MsgText(MsgWizConfirm), editConfirm_);

    auto* hostBox = new QGroupBox(MsgText(MsgEdHosts), page);
    hostBox->setObjectName(QStringLiteral("GroupBoxHosts"));
    hosts_ = new THostListPanel(true, hostBox);
    buttonDownload_ = new QPushButton(MsgText(MsgEdDownload), hostBox);
    buttonDownload_->setObjectName(QStringLiteral("ButtonDownload"));
    buttonDownload_->setToolTip(MsgText(MsgEdDownloadTip, {BuiltInProvider}));
    hosts_->AddButton(buttonDownload_);
    auto* hostLayout = new QVBoxLayout(hostBox);
    hostLayout->addWidget(hosts_);

    auto* layout = new QVBoxLayout(page);
    layout->addWidget(login);
    layout->addWidget(hostBox, 1);

    for (QLineEdit* edit : {editUsername_, editPassword_, editConfirm_})
        connect(edit, &QLineEdit::textEdited, this, [this] {
            SetModified();
            UpdateEnabling();
        });
    connect(hosts_, &THostListPanel::Changed, this, &TFormAccount::SetModified);
    connect(buttonDownload_, &QPushButton::clicked, this, &TFormAccount::Download);
    return page;
}

QWidget* TFormAccount::BuildOptionsPage() {
    auto* page = new QWidget(this);
    page->setObjectName(QStringLiteral("TabSheetOptions"));

    auto* options = new QGroupBox(MsgText(MsgEdPageOptions), page);
    options->setObjectName(QStringLiteral("GroupBoxOptions"));
    wildcard_ = new QCheckBox(MsgText(MsgEdWildcard), options);
    wildcard_->setObjectName(QStringLiteral("CheckBoxAccFormWildcard"));
    wildcard_->setChecked(true);
    mailEx_ = new QLineEdit(options);
    mailEx_->setObjectName(QStringLiteral("MailEx"));
    mailEx_->setPlaceholderText(QString::fromLatin1(NoMailExchanger));
    backupMX_ = new QCheckBox(MsgText(MsgEdBackupMX), options);
    backupMX_->setObjectName(QStringLiteral("CheckBoxAccFormBackupMX"));
    secure_ = new QCheckBox(MsgText(MsgEdSecure), options);
    secure_->setObjectName(QStringLiteral("CheckBoxSecure"));
    ipv6_ = new QCheckBox(Q(Msg(MsgAlsoIPv6)), options);
    ipv6_->setObjectName(QStringLiteral("CheckBoxIPv6"));
    ipv6Suffix_ = new QLineEdit(options);
    ipv6Suffix_->setObjectName(QStringLiteral("EditIPv6Suffix"));
    ipv6Suffix_->setPlaceholderText(Q(Msg(MsgIPv6SuffixHint)));
    labelIPv6Suffix_ = new QLabel(Q(Msg(MsgIPv6SuffixCaption)), options);
    labelIPv6Suffix_->setBuddy(ipv6Suffix_);
    auto* optionsForm = new QFormLayout(options);
    optionsForm->addRow(wildcard_);
    optionsForm->addRow(MsgText(MsgEdMailExchanger), mailEx_);
    optionsForm->addRow(backupMX_);
    optionsForm->addRow(secure_);
    optionsForm->addRow(ipv6_);
    optionsForm->addRow(labelIPv6Suffix_, ipv6Suffix_);

    auto* group = new QGroupBox(MsgText(MsgEdGroup), page);
    group->setObjectName(QStringLiteral("GroupBoxGroup"));
    editName_ = new QLineEdit(group);
    editName_->setObjectName(QStringLiteral("EditAccountName"));
    provider_ = new QComboBox(group);
    provider_->setObjectName(QStringLiteral("VemoComboListProvider"));
    provider_->setEditable(true);
    provider_->setInsertPolicy(QComboBox::NoInsert);
    editCfgFile_ = new QLineEdit(group);
    editCfgFile_->setObjectName(QStringLiteral("EditCfgFile"));
    buttonBrowse_ = new QPushButton(QStringLiteral("..."), group);
    buttonBrowse_->setObjectName(QStringLiteral("ButtonBrowse"));
    buttonBrowse_->setToolTip(MsgText(MsgEdBrowseTip));
    buttonBrowse_->setMaximumWidth(buttonBrowse_->fontMetrics().horizontalAdvance(QStringLiteral("....")) +
                                   16);
    buttonEdit_ = new QPushButton(MsgText(MsgEdEdit), group);
    buttonEdit_->setObjectName(QStringLiteral("ButtonEdit"));
    buttonEdit_->setToolTip(MsgText(MsgEdEditTip));
    auto* profileRow = new QHBoxLayout;
    profileRow->addWidget(editCfgFile_, 1);
    profileRow->addWidget(buttonBrowse_);
    profileRow->addWidget(buttonEdit_);
    auto* groupForm = new QFormLayout(group);
    groupForm->addRow(MsgText(MsgWizGroupName), editName_);
    labelProvider_ = new QLabel(MsgText(MsgEdProvider), group);
    labelProvider_->setBuddy(provider_);
    groupForm->addRow(labelProvider_, provider_);
    labelProfile_ = new QLabel(MsgText(MsgEdProfile), group);
    labelProfile_->setBuddy(editCfgFile_);
    groupForm->addRow(labelProfile_, profileRow);

    auto* layout = new QVBoxLayout(page);
    layout->addWidget(options);
    layout->addWidget(group);
    layout->addStretch(1);

    for (QCheckBox* box : {wildcard_, backupMX_, secure_})
        connect(box, &QCheckBox::toggled, this, &TFormAccount::SetModified);
    connect(ipv6_, &QCheckBox::toggled, this, [this] {
        if (!loading_)
            SetModified();
        UpdateEnabling();
    });
    for (QLineEdit* edit : {mailEx_, editName_, editCfgFile_, ipv6Suffix_})
        connect(edit, &QLineEdit::textChanged, this, [this] {
            if (!loading_)
                SetModified();
            UpdateEnabling();
        });
    connect(provider_, &QComboBox::currentTextChanged, this, [this] {
        if (!loading_)
            SetModified();
        UpdateEnabling();
    });
    connect(buttonBrowse_, &QPushButton::clicked, this, &TFormAccount::BrowseProfile);
    connect(buttonEdit_, &QPushButton::clicked, this, &TFormAccount::EditProfile);
    return page;
}

void TFormAccount::Load() {
    loading_ = true;
    const TAccountValues v = LoadAccountValues(path_, openingName_, edition_);
    editName_->setText(Q(v.Name));
    for (const std::string& entry : LoadProviderHistory(path_))
        provider_->addItem(Q(entry));
    provider_->setEditText(Q(v.Provider));
    editCfgFile_->setText(Q(v.Profile));
    editUsername_->setText(Q(v.UserName));
    editPassword_->setText(Q(v.Password));
    editConfirm_->setText(Q(v.Confirm));
    hosts_->SetRows(v.Hosts);
    wildcard_->setChecked(v.Wildcard);
    mailEx_->setText(v.MailEx == NoMailExchanger ? QString() : Q(v.MailEx));
    backupMX_->setChecked(v.BackupMX);
    secure_->setChecked(v.Secure);
    ipv6_->setChecked(v.IPv6);
    ipv6Suffix_->setText(Q(v.IPv6Suffix));
    // The provider edition always works with the built-in provider and no profile.
    for (QWidget* w : std::initializer_list<QWidget*>{labelProvider_, provider_, labelProfile_, editCfgFile_,
                                                      buttonBrowse_, buttonEdit_})
        w->setVisible(!edition_);
    loading_ = false;
    modified_ = false;
    UpdateEnabling();
}

TAccountValues TFormAccount::Values() const {
    TAccountValues v;
    v.Name = S(editName_->text());
    v.UserName = S(editUsername_->text());
    v.Password = S(editPassword_->text());
    v.Confirm = S(editConfirm_->text());
    v.Provider = edition_ ? std::string(BuiltInProvider) : S(provider_->currentText());
    v.Profile = edition_ ? std::string() : S(editCfgFile_->text());
    v.MailEx = S(mailEx_->text());
    v.Wildcard = wildcard_->isChecked();
    v.BackupMX = backupMX_->isChecked();
    v.Secure = secure_->isChecked();
    v.IPv6 = ipv6_->isChecked();
    v.IPv6Suffix = S(ipv6Suffix_->text());
    v.Hosts = hosts_->Rows();
    return v;
}

void TFormAccount::UpdateEnabling() {
    backupMX_->setEnabled(!mailEx_->text().trimmed().isEmpty());
    TAccountValues ipv6;
    ipv6.IPv6 = ipv6_->isChecked();
    for (QWidget* w : std::initializer_list<QWidget*>{labelIPv6Suffix_, ipv6Suffix_})
        w->setEnabled(IPv6SuffixEnabled(ipv6));
    if (!edition_) {
        const bool profile = ProfileControlsEnabled(S(provider_->currentText()));
        for (QWidget* w :
             std::initializer_list<QWidget*>{labelProfile_, editCfgFile_, buttonBrowse_, buttonEdit_})
            w->setEnabled(profile);
    }
    buttonDownload_->setEnabled(
        !downloading_ && DownloadAllowed(S(editUsername_->text()), S(editPassword_->text()),
                                         S(editConfirm_->text()), S(provider_->currentText()), edition_));
}

void TFormAccount::ShowProblem(const TAccountProblem& problem) {
    TPrompt::Error(this, Q(problem.Message));
    if (problem.ClearConfirm)
        editConfirm_->clear();
    if (problem.UncheckBackupMX)
        backupMX_->setChecked(false);
    pages_->setCurrentIndex(problem.Page == TAccountPage::Provider ? 0 : 1);
    QWidget* focus = nullptr;
    switch (problem.Focus) {
    case TAccountField::Name:
        focus = editName_;
        break;
    case TAccountField::UserName:
        focus = editUsername_;
        break;
    case TAccountField::Password:
        focus = editPassword_;
        break;
    case TAccountField::Confirm:
        focus = editConfirm_;
        break;
    case TAccountField::Profile:
        focus = editCfgFile_;
        break;
    case TAccountField::AddButton:
        focus = hosts_->AddHostButton();
        break;
    case TAccountField::MailEx:
        focus = mailEx_;
        break;
    case TAccountField::IPv6Suffix:
        focus = ipv6Suffix_;
        break;
    }
    focus->setFocus();
}

void TFormAccount::SetControlsEnabled(bool enabled) {
    for (QWidget* w : std::initializer_list<QWidget*>{pages_->widget(1), editUsername_, editPassword_,
                                                      editConfirm_, buttonOK_, buttonCancel_, buttonHelp_})
        w->setEnabled(enabled);
    hosts_->SetBusy(!enabled);
    UpdateEnabling();
}

void TFormAccount::accept() {
    if (downloading_)
        return;
    const TAccountValues values = Values();
    if (auto problem = ValidateAccount(path_, openingName_, values, edition_)) {
        ShowProblem(*problem);
        return;
    }
    if (!modified_) {
        QDialog::accept();
        return;
    }
    for (QPushButton* b : {buttonOK_, buttonCancel_, buttonHelp_})
        b->setEnabled(false);
    const TGroupSavePlan plan = PlanAccountSave(values, edition_);
    if (plan.TooManyHosts)
        TPrompt::Warning(this, Q(TooManyHostsSaveMessage()));
    if (plan.MixedSystems)
        TPrompt::Information(this, Q(MixedSystemsMessage()));
    const bool saved = SaveAccount(path_, openingName_, plan, values.Provider, edition_);
    for (QPushButton* b : {buttonOK_, buttonCancel_, buttonHelp_})
        b->setEnabled(true);
    if (!saved)
        return; // the failure was reported; the dialog keeps what the user entered
    written_.clear();
    for (const auto& group : plan.Groups)
        written_ << Q(group.first);
    QDialog::accept();
}

bool TFormAccount::RefuseWhileDownloading() {
    if (!downloading_)
        return false;
    TPrompt::Information(this, Q(FormatMsg(MsgBusyDownloading, {Msg(MsgWizardCaption), "\r\n"})));
    return true;
}

void TFormAccount::reject() {
    if (RefuseWhileDownloading())
        return;
    QDialog::reject();
}

void TFormAccount::closeEvent(QCloseEvent* event) {
    if (RefuseWhileDownloading()) {
        event->ignore();
        return;
    }
    QDialog::closeEvent(event);
}

void TFormAccount::Download() {
    if (downloading_)
        return;
    if (auto problem =
            ValidateLogin(S(editUsername_->text()), S(editPassword_->text()), S(editConfirm_->text()))) {
        ShowProblem(*problem);
        return;
    }
    if (hosts_->List()->topLevelItemCount() > 0) {
        TPrompt::Beep();
        if (!TPrompt::YesNo(this, Q(Msg(MsgReplaceHosts))))
            return;
    }
    downloading_ = true;
    QApplication::setOverrideCursor(Qt::WaitCursor);
    SetControlsEnabled(false);
    // The worker outlives a closed editor: its answer reaches the editor only while it exists.
    std::weak_ptr<bool> alive = alive_;
    StartHostDownload(path_, S(editUsername_->text()), S(editPassword_->text()), ReadDirectConnect(),
                      [this, alive](const std::string& text) {
                          if (alive.lock())
                              DownloadDone(text);
                      });
}

void TFormAccount::DownloadDone(const std::string& text) {
    const THostListOutcome outcome = InterpretHostList(text);
    if (outcome.Kind == THostListOutcome::Hosts) {
        std::vector<THostRow> rows;
        for (const THostEntry& entry : outcome.Entries) {
            THostRow row;
            row.Host = entry.Host;
            row.System = entry.System;
            row.Checked = false;
            rows.push_back(row);
        }
        hosts_->SetRows(rows);
        modified_ = true;
    }
    if (downloading_) {
        downloading_ = false;
        QApplication::restoreOverrideCursor();
    }
    SetControlsEnabled(true);
    if (outcome.Kind != THostListOutcome::Hosts) {
        TPrompt::Beep();
        TPrompt::Error(this, Q(outcome.Message));
    }
}

void TFormAccount::BrowseProfile() {
    const QString chosen = QFileDialog::getOpenFileName(this, MsgText(MsgEdProfileTitle),
                                                        editCfgFile_->text(), MsgText(MsgEdAllFiles));
    if (!chosen.isEmpty())
        editCfgFile_->setText(chosen);
}

void TFormAccount::EditProfile() {
    const QString file = editCfgFile_->text().trimmed();
    if (file.isEmpty())
        return;
    if (!QFileInfo(file).isFile()) {
        TPrompt::Warning(this, MsgText(MsgEdProfileMissing, {file.toStdString()}));
        return;
    }
    // Options/Editor names the program that opens text files; the Windows default (or none)
    // means the desktop's own choice.
    const std::string editor = TrimBlanks(ReadString(Keys::Editor));
    if (editor.empty() || strcasecmp(editor.c_str(), "Notepad.exe") == 0) {
        TDesktop::OpenFile(this, file);
        return;
    }
    const TProgramCommand command = SplitProgramCommand(editor, ProgramFileExists);
    const std::vector<std::string> arguments = ProfileEditorArguments(command.Parameters, file.toStdString());
    if (!TDesktop::StartProgram(command.Program, arguments))
        TPrompt::Warning(this, MsgText(MsgEdEditorFailed, {command.Program}));
}

} // namespace hostaq
