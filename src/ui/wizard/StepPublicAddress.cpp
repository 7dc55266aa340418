#include "config/ProviderConstants.h"
#include "ui/common/MsgText.h"
#include "ui/wizard/WizardMessages.h"
#include "ui/wizard/WizardSteps.h"

#include <QHBoxLayout>
#include <QLabel>
#include <QPushButton>
#include <QVBoxLayout>

namespace hostaq {

TWizardStepPublicAddress::TWizardStepPublicAddress(QWidget* parent) : TWizardStep(parent) {
    setObjectName(QStringLiteral("TabSheetPublicAddress"));
    detect_ = new QPushButton(MsgText(MsgWizDetectIP), this);
    detect_->setObjectName(QStringLiteral("ButtonDetectIP"));
    configure_ = new QPushButton(MsgText(MsgWizConfigure), this);
    configure_->setObjectName(QStringLiteral("ButtonConfigure"));
    configure_->setToolTip(MsgText(MsgWizConfigureTip));
    compare_ = new QPushButton(MsgText(MsgWizCompare), this);
    compare_->setObjectName(QStringLiteral("ButtonCompare"));
    compare_->setToolTip(MsgText(MsgWizCompareTip));
    result_ = new QLabel(this);
    result_->setObjectName(QStringLiteral("LabelIPResult"));
    result_->setWordWrap(true);
    QFont bold = result_->font();
    bold.setBold(true);
    result_->setFont(bold);

    const QString page = QString::fromLatin1(DefaultCheckIpPage);
    auto* link = new QLabel(QStringLiteral("<a href=\"%1\">%1</a>").arg(page.toHtmlEscaped()), this);
    link->setObjectName(QStringLiteral("LabelCheckIPLink"));
    link->setTextInteractionFlags(Qt::LinksAccessibleByMouse | Qt::LinksAccessibleByKeyboard);
    link->setOpenExternalLinks(false);
    connect(link, &QLabel::linkActivated, this, [this] { emit CompareRequested(); });

    auto* buttons = new QHBoxLayout;
    buttons->addWidget(detect_);
    buttons->addWidget(configure_);
    buttons->addWidget(compare_);
    buttons->addStretch(1);
    auto* layout = new QVBoxLayout(this);
    layout->addWidget(WizardText(MsgText(MsgWizPublicText), this));
    layout->addSpacing(8);
    layout->addLayout(buttons);
    layout->addSpacing(8);
    layout->addWidget(result_);
    layout->addStretch(1);
    layout->addWidget(WizardText(MsgText(MsgWizPublicPage), this));
    layout->addWidget(link);
    layout->addWidget(WizardText(MsgText(MsgWizPublicLocal), this));

    connect(detect_, &QPushButton::clicked, this, &TWizardStepPublicAddress::DetectRequested);
    connect(configure_, &QPushButton::clicked, this, &TWizardStepPublicAddress::ConfigureRequested);
    connect(compare_, &QPushButton::clicked, this, &TWizardStepPublicAddress::CompareRequested);
}

void TWizardStepPublicAddress::SetResult(const QString& text) {
    result_->setText(text);
}

QString TWizardStepPublicAddress::Result() const {
    return result_->text();
}

void TWizardStepPublicAddress::SetRunning(bool running) {
    for (QPushButton* b : {detect_, configure_, compare_})
        b->setEnabled(!running);
}

} // namespace hostaq
