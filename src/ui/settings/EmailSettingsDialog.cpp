#include "ui/settings/EmailSettingsDialog.h"

#include "config/ConfigKeys.h"
#include "config/Version.h"
#include "ipdetect/HostNetwork.h"
#include "net/SmtpMessages.h"
#include "net/VemoSmtp.h"
#include "ui/common/ModalDialog.h"
#include "ui/common/Prompt.h"
#include "ui/settings/SettingsLogic.h"
#include "ui/settings/SettingsMessages.h"
#include "ui/settings/SettingsUi.h"

#include <QApplication>
#include <QCheckBox>
#include <QComboBox>
#include <QDialogButtonBox>
#include <QFormLayout>
#include <QGroupBox>
#include <QHBoxLayout>
#include <QIntValidator>
#include <QLabel>
#include <QLineEdit>
#include <QPushButton>
#include <QVBoxLayout>

namespace hostaq {

namespace {
constexpr const char* HostHistory = "SMTPHostList";

QLineEdit* NewEdit(QWidget* parent, const char* name, const std::string& text) {
    auto* edit = new QLineEdit(QText(text), parent);
    edit->setObjectName(QLatin1String(name));
    return edit;
}
} // namespace

TFormEmailSettings::TFormEmailSettings(QWidget* parent) : QDialog(parent) {
    setObjectName(QStringLiteral("TFormEmailSettings"));
    setWindowTitle(Caption(MsgEmailSettings));
    const TMailSettings s = LoadMailSettings();

    recipients_ = NewEdit(this, "EditMailRcpt", s.Recipients);
    from_ = NewEdit(this, "EditMailFrom", s.From);
    subject_ = NewEdit(this, "EditMailSubject", s.Subject);
    host_ = new QComboBox(this);
    host_->setObjectName(QStringLiteral("ComboSMTPHost"));
    host_->setEditable(true);
    for (const std::string& h : PushHistory(LoadHistory(HostHistory), s.Host))
        host_->addItem(QText(h));
    host_->setEditText(QText(s.Host));
    port_ = NewEdit(this, "EditSMTPPort", s.Port);
    port_->setValidator(new QIntValidator(0, 65535, port_));
    port_->setMaximumWidth(fontMetrics().horizontalAdvance(QStringLiteral("000000")) + 16);
    ssl_ = new QCheckBox(Caption(MsgUseSSL), this);
    ssl_->setObjectName(QStringLiteral("CheckBoxUseSSL"));
    ssl_->setChecked(s.UseSSL);
    auth_ = new QCheckBox(Caption(MsgRequireAuth), this);
    auth_->setObjectName(QStringLiteral("CheckBoxAuth"));
    auth_->setChecked(s.Auth);
    user_ = NewEdit(this, "EditSMTPUser", s.UserName);
    password_ = NewEdit(this, "EditSMTPPass", s.Password);
    password_->setEchoMode(QLineEdit::Password);
    confirm_ = NewEdit(this, "EditSMTPConfirm", s.Password);
    confirm_->setEchoMode(QLineEdit::Password);
    localHost_ = NewEdit(this, "EditSMTPLocalHost", s.LocalHost);

    auto* mail = new QFormLayout;
    mail->addRow(Caption(MsgMailRecipient), recipients_);
    mail->addRow(Caption(MsgMailFrom), from_);
    mail->addRow(Caption(MsgMailSubject), subject_);
    auto* server = new QHBoxLayout;
    server->addWidget(host_, 1);
    server->addWidget(new QLabel(Caption(MsgSmtpPort), this));
    server->addWidget(port_);
    mail->addRow(Caption(MsgSmtpServer), server);
    mail->addRow(QString(), ssl_);
    mail->addRow(Caption(MsgYourHostname), localHost_);

    auto* authBox = new QGroupBox(this);
    auto* authLayout = new QFormLayout(authBox);
    authLayout->addRow(auth_);
    authLayout->addRow(Caption(MsgUsername), user_);
    authLayout->addRow(Caption(MsgPassword), password_);
    authLayout->addRow(Caption(MsgConfirm), confirm_);

    auto* buttons = new QDialogButtonBox(this);
    test_ = buttons->addButton(Caption(MsgTest), QDialogButtonBox::HelpRole);
    test_->setObjectName(QStringLiteral("ButtonTest"));
    QPushButton* ok = buttons->addButton(Caption(MsgOK), QDialogButtonBox::AcceptRole);
    ok->setObjectName(QStringLiteral("ButtonOK"));
    QPushButton* cancel = buttons->addButton(Caption(MsgCancel), QDialogButtonBox::RejectRole);
    cancel->setObjectName(QStringLiteral("ButtonCancel"));
    connect(buttons, &QDialogButtonBox::accepted, this, &TFormEmailSettings::accept);
    connect(buttons, &QDialogButtonBox::rejected, this, &TFormEmailSettings::reject);
    connect(test_, &QPushButton::clicked, this, &TFormEmailSettings::SendTest);
    connect(auth_, &QCheckBox::toggled, this, &TFormEmailSettings::UpdateEnabling);

    auto* layout = new QVBoxLayout(this);
    layout->addLayout(mail);
    layout->addWidget(authBox);
    layout->addWidget(buttons);
    setMinimumWidth(460);
    UpdateEnabling();
}

TFormEmailSettings::~TFormEmailSettings() {
    AbortTest();
}

void TFormEmailSettings::UpdateEnabling() {
    for (QLineEdit* edit : {user_, password_, confirm_})
        edit->setEnabled(auth_->isChecked());
}

TMailSettings TFormEmailSettings::Settings() const {
    TMailSettings s;
    s.Recipients = StdText(recipients_->text().trimmed());
    s.From = StdText(from_->text().trimmed());
    s.Subject = StdText(subject_->text().trimmed());
    s.Host = StdText(host_->currentText().trimmed());
    s.Port = StdText(port_->text().trimmed());
    s.UseSSL = ssl_->isChecked();
    s.Auth = auth_->isChecked();
    s.UserName = StdText(user_->text().trimmed());
    s.Password = StdText(password_->text());
    s.LocalHost = StdText(localHost_->text().trimmed());
    return s;
}

void TFormEmailSettings::SendTest() {
    if (TestRunning())
        return;
    test_->setEnabled(false);
    setCursor(Qt::BusyCursor);
    const std::string currentIP = ReadString(Keys::CurrentIP, FirstHostAddress());
    std::weak_ptr<bool> alive = alive_;
    cancel_ = SendTestMail(Settings(), currentIP, [this, alive](int code, const std::string& message) {
        if (alive.lock())
            TestDone(QText(message), code == 0);
    });
}

void TFormEmailSettings::TestDone(const QString& message, bool sent) {
    cancel_.reset();
    unsetCursor();
    test_->setEnabled(true);
    if (sent)
        TPrompt::Information(this, message);
    else
        TPrompt::Error(this, message);
}

void TFormEmailSettings::AbortTest() {
    if (!cancel_)
        return;
    cancel_->Abort();
    cancel_.reset();
    unsetCursor();
    test_->setEnabled(true);
}

void TFormEmailSettings::accept() {
    if (TestRunning()) {
        if (!TPrompt::YesNo(this, QText(FormatMsg(MsgMailInterrupt, {AppTitle}))))
            return;
        AbortTest();
    }
    const TMailSettings s = Settings();
    const TMailValidation check = ValidateMailSettings(s, StdText(confirm_->text()));
    if (!check.Ok()) {
        if (check.ClearConfirm)
            confirm_->clear();
        QWidget* field = check.Field == TMailValidation::UserName   ? user_
                         : check.Field == TMailValidation::Password ? password_
                                                                    : confirm_;
        ShowFieldProblem(this, field, QText(check.Message), false);
        return;
    }
    if (!SaveMailSettings(s))
        return;
    SaveHistory(HostHistory, PushHistory(LoadHistory(HostHistory), s.Host));
    QDialog::accept();
}

void TFormEmailSettings::reject() {
    AbortTest();
    QDialog::reject();
}

bool TFormEmailSettings::Execute() {
    return ExecModal(*this) == QDialog::Accepted;
}

} // namespace hostaq
