#include "ui/settings/AutoUpdateDialog.h"

#include "config/ConfigKeys.h"
#include "config/Version.h"
#include "engine/Presenter.h"
#include "platform/SoftwareUpdate.h"
#include "ui/common/Desktop.h"
#include "ui/common/ModalDialog.h"
#include "ui/common/Prompt.h"
#include "ui/settings/SettingsMessages.h"
#include "ui/settings/SettingsUi.h"

#include <QApplication>
#include <QComboBox>
#include <QDateTime>
#include <QDialogButtonBox>
#include <QFormLayout>
#include <QGroupBox>
#include <QLabel>
#include <QLocale>
#include <QPushButton>
#include <QUrl>
#include <QVBoxLayout>

namespace hostaq {

namespace {
// The questions of Check Now go to the user through the prompt seam.
class TDialogPresenter : public TPresenter {
public:
    explicit TDialogPresenter(QWidget* parent) : parent_(parent) {}
    bool Confirm(const std::string& text) override { return TPrompt::YesNo(parent_, QText(text)); }
    void Notify(TNoticeKind kind, const std::string& text) override {
        if (kind == TNoticeKind::Error)
            TPrompt::Error(parent_, QText(text));
        else if (kind == TNoticeKind::Warning)
            TPrompt::Warning(parent_, QText(text));
        else
            TPrompt::Information(parent_, QText(text));
    }

private:
    QWidget* parent_;
};

QString LocalTimeText(const TDateTime& t) {
    const QDateTime qt(QDate(t.Year(), t.Month(), t.Day()), QTime(t.Hour(), t.Minute(), t.Second()));
    const QLocale locale;
    return locale.toString(qt.date(), QLocale::ShortFormat) + QLatin1Char(' ') +
           locale.toString(qt.time(), QLocale::LongFormat);
}
} // namespace

TFormAutoUpdate::TFormAutoUpdate(QWidget* parent) : QDialog(parent) {
    setObjectName(QStringLiteral("TFormAutoUpdate"));
    setWindowTitle(Caption(MsgSoftwareUpdateTitle));

    period_ = new QComboBox(this);
    period_->setObjectName(QStringLiteral("ComboPeriod"));
    for (int i = 0; i < 4; ++i)
        period_->addItem(Caption(MsgDaily + i));
    const int stored = ReadInteger(Keys::SoftAutoUpdateInt);
    period_->setCurrentIndex(stored >= 0 && stored <= 3 ? stored : 1);

    lastChecked_ = new QLabel(this);
    lastChecked_->setObjectName(QStringLiteral("LabelLastChecked"));
    thisVersion_ = new QLabel(this);
    thisVersion_->setObjectName(QStringLiteral("LabelThisVersion"));
    currentVersion_ = new QLabel(this);
    currentVersion_->setObjectName(QStringLiteral("LabelCurrentVersion"));
    checkNow_ = new QPushButton(Caption(MsgCheckNow), this);
    checkNow_->setObjectName(QStringLiteral("ButtonCheckNow"));

    auto* group = new QGroupBox(QLatin1Char(' ') + Caption(MsgSoftwareUpdateTitle) + QLatin1Char(' '), this);
    auto* form = new QFormLayout(group);
    form->addRow(Caption(MsgPeriod), period_);
    form->addRow(Caption(MsgLastChecked), lastChecked_);
    form->addRow(Caption(MsgThisVersion), thisVersion_);
    form->addRow(Caption(MsgCurrentVersion), currentVersion_);
    form->addRow(QString(), checkNow_);

    auto* buttons = new QDialogButtonBox(this);
    QPushButton* ok = buttons->addButton(Caption(MsgOK), QDialogButtonBox::AcceptRole);
    ok->setObjectName(QStringLiteral("ButtonOK"));
    QPushButton* cancel = buttons->addButton(Caption(MsgCancel), QDialogButtonBox::RejectRole);
    cancel->setObjectName(QStringLiteral("ButtonCancel"));
    connect(buttons, &QDialogButtonBox::accepted, this, &TFormAutoUpdate::accept);
    connect(buttons, &QDialogButtonBox::rejected, this, &TFormAutoUpdate::reject);
    connect(checkNow_, &QPushButton::clicked, this, &TFormAutoUpdate::CheckNow);

    auto* layout = new QVBoxLayout(this);
    layout->addWidget(group);
    layout->addWidget(buttons);
    setMinimumWidth(380);
    RefreshLabels();
}

void TFormAutoUpdate::RefreshLabels() {
    const std::optional<TDateTime> last = ReadStamp(Keys::SoftAutoUpdateLastCheck);
    lastChecked_->setText(last ? LocalTimeText(*last) : Caption(MsgUnknown));
    thisVersion_->setText(QText(VersionText()));
    currentVersion_->setText(QText(StoredCurrentVersion()));
}

TFormAutoUpdate::~TFormAutoUpdate() = default;

void TFormAutoUpdate::CheckNow() {
    if (Checking())
        return;
    if (!update_) {
        presenter_ = std::make_unique<TDialogPresenter>(this);
        update_ = std::make_unique<TSoftwareUpdate>(*presenter_);
        update_->OpenUrl = [this](const std::string& url) { TDesktop::OpenUrl(this, QUrl(QText(url))); };
    }
    checkNow_->setEnabled(false);
    setCursor(Qt::BusyCursor);
    if (!update_->CheckNow([this](bool) { CheckDone(); }))
        CheckDone();
}

bool TFormAutoUpdate::Checking() const {
    return update_ && update_->ChecksInProgress() > 0;
}

void TFormAutoUpdate::CheckDone() {
    unsetCursor();
    RefreshLabels();
    checkNow_->setEnabled(true);
}

void TFormAutoUpdate::accept() {
    if (!WriteInteger(Keys::SoftAutoUpdateInt, period_->currentIndex()))
        return;
    QDialog::accept();
}

bool TFormAutoUpdate::Execute() {
    return ExecModal(*this) == QDialog::Accepted;
}

} // namespace hostaq
