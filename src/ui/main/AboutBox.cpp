#include "ui/main/AboutBox.h"

#include "config/Messages.h"
#include "config/ProviderConstants.h"
#include "config/Version.h"
#include "platform/PlatformMessages.h"
#include "ui/common/Desktop.h"
#include "ui/common/UiMessages.h"
#include "ui/tray/TrayIcons.h"

#include <QApplication>
#include <QDialogButtonBox>
#include <QHBoxLayout>
#include <QLabel>
#include <QPointer>
#include <QPushButton>
#include <QStyle>
#include <QVBoxLayout>

namespace hostaq {

namespace {
QString M(int id) {
    return QString::fromStdString(Msg(id));
}
} // namespace

TAboutBox::TAboutBox(TVersionCheckFn versionCheck, QWidget* parent)
    : QDialog(parent), versionCheck_(std::move(versionCheck)) {
    setObjectName(QStringLiteral("AboutBox"));
    setWindowTitle(QString::fromStdString(FormatMsg(MsgAboutTitle, {AppTitle})));

    auto* icon = new QLabel(this);
    icon->setObjectName(QStringLiteral("ImageProgram"));
    QIcon programIcon = BuiltInIcon(0);
    if (programIcon.isNull())
        programIcon = style()->standardIcon(QStyle::SP_ComputerIcon);
    icon->setPixmap(programIcon.pixmap(48, 48));

    auto* name = new QLabel(QString::fromStdString(FormatMsg(MsgBetaName, {AppTitle})), this);
    name->setObjectName(QStringLiteral("LabelProgramName"));
    QFont big = name->font();
    big.setPointSizeF(big.pointSizeF() * 1.4);
    big.setBold(true);
    name->setFont(big);
    auto* version = new QLabel(QString::fromStdString(FormatMsg(MsgVersionLine, {VersionText()})), this);
    version->setObjectName(QStringLiteral("LabelVersion"));
    auto* description = new QLabel(M(MsgAboutDescription), this);
    description->setObjectName(QStringLiteral("LabelDescription"));
    description->setWordWrap(true);
    auto* web =
        new QLabel(QStringLiteral("<a href=\"%1\">%1</a>").arg(QString::fromLatin1(MakerWebPage)), this);
    web->setObjectName(QStringLiteral("LabelWebPage"));
    web->setTextInteractionFlags(Qt::TextBrowserInteraction);
    connect(web, &QLabel::linkActivated, this,
            [this](const QString& link) { TDesktop::OpenUrl(this, QUrl(link)); });

    auto* check = new QPushButton(M(MsgCheckNewerVersion), this);
    check->setObjectName(QStringLiteral("ButtonVersionCheck"));
    check->setVisible(static_cast<bool>(versionCheck_));
    connect(check, &QPushButton::clicked, this, &TAboutBox::CheckVersion);

    auto* buttons = new QDialogButtonBox(this);
    auto* ok = buttons->addButton(M(MsgOk), QDialogButtonBox::AcceptRole);
    ok->setObjectName(QStringLiteral("ButtonOK"));
    ok->setDefault(true);
    connect(buttons, &QDialogButtonBox::accepted, this, &QDialog::accept);

    auto* texts = new QVBoxLayout;
    texts->addWidget(name);
    texts->addWidget(version);
    texts->addSpacing(8);
    texts->addWidget(description);
    texts->addWidget(web);
    auto* top = new QHBoxLayout;
    top->addWidget(icon, 0, Qt::AlignTop);
    top->addSpacing(8);
    top->addLayout(texts, 1);
    auto* bottom = new QHBoxLayout;
    bottom->addWidget(check);
    bottom->addStretch(1);
    bottom->addWidget(buttons);
    auto* layout = new QVBoxLayout(this);
    layout->addLayout(top);
    layout->addSpacing(8);
    layout->addLayout(bottom);
    description->setMinimumWidth(320);
    layout->setSizeConstraint(QLayout::SetFixedSize);
}

void TAboutBox::CheckVersion() {
    auto* button = findChild<QPushButton*>(QStringLiteral("ButtonVersionCheck"));
    if (!versionCheck_ || button == nullptr || !button->isEnabled())
        return;
    // The page is read on a worker; the button stays off until the answer came, and the box
    // may be closed meanwhile.
    button->setEnabled(false);
    QPointer<QPushButton> guard(button);
    versionCheck_([guard] {
        if (guard)
            guard->setEnabled(true);
    });
}

TUpdateNoticeForm::TUpdateNoticeForm(const QString& text, std::function<void()> onClosed, QWidget* parent)
    : QDialog(parent), onClosed_(std::move(onClosed)) {
    setObjectName(QStringLiteral("UpdateNoticeForm"));
    setWindowTitle(M(MsgSoftwareUpdate));
    setModal(false);

    auto* icon = new QLabel(this);
    icon->setPixmap(style()->standardIcon(QStyle::SP_MessageBoxQuestion).pixmap(32, 32));
    auto* label = new QLabel(QString(text).replace(QStringLiteral("\r\n"), QStringLiteral("\n")), this);
    label->setObjectName(QStringLiteral("LabelNotice"));
    auto* buttons = new QDialogButtonBox(this);
    auto* yes = buttons->addButton(M(MsgYes), QDialogButtonBox::YesRole);
    yes->setObjectName(QStringLiteral("ButtonYes"));
    yes->setDefault(true);
    auto* no = buttons->addButton(M(MsgNo), QDialogButtonBox::NoRole);
    no->setObjectName(QStringLiteral("ButtonNo"));
    connect(yes, &QPushButton::clicked, this, &TUpdateNoticeForm::Yes);
    connect(no, &QPushButton::clicked, this, &TUpdateNoticeForm::No);

    auto* top = new QHBoxLayout;
    top->addWidget(icon, 0, Qt::AlignTop);
    top->addWidget(label, 1);
    auto* layout = new QVBoxLayout(this);
    layout->addLayout(top);
    layout->addWidget(buttons);
    layout->setSizeConstraint(QLayout::SetFixedSize);
}

TUpdateNoticeForm::~TUpdateNoticeForm() {
    if (onClosed_)
        onClosed_();
}

void TUpdateNoticeForm::Yes() {
    TDesktop::OpenUrl(this, QUrl(QString::fromLatin1(DefaultDownloadPage)));
    QDialog::accept();
    deleteLater();
}

void TUpdateNoticeForm::No() {
    reject();
}

void TUpdateNoticeForm::reject() {
    QDialog::reject();
    deleteLater();
}

} // namespace hostaq
