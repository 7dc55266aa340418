#include "config/ProviderConstants.h"
#include "ui/wizard/WizardSteps.h"

#include <QHBoxLayout>
#include <QLabel>
#include <QPushButton>
#include <QVBoxLayout>

namespace hostaq {

TWizardStepPublicAddress::TWizardStepPublicAddress(QWidget* parent) : TWizardStep(parent) {
    setObjectName(QStringLiteral("TabSheetPublicAddress"));
    detect_ = new QPushButton(QStringLiteral("Detect &My IP"), this);
    detect_->setObjectName(QStringLiteral("ButtonDetectIP"));
    configure_ = new QPushButton(QStringLiteral("&Configure..."), this);
    configure_->setObjectName(QStringLiteral("ButtonConfigure"));
    configure_->setToolTip(QStringLiteral("Addresses of this computer's own network"));
    compare_ = new QPushButton(QStringLiteral("C&ompare"), this);
    compare_->setObjectName(QStringLiteral("ButtonCompare"));
    compare_->setToolTip(QStringLiteral("Open the check page in your web browser"));
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
    layout->addWidget(
        WizardText(QStringLiteral("Click Detect My IP to let the program find the address under "
                                  "which this computer is seen on the Internet. Compare it with "
                                  "the address the check page shows in your browser."),
                   this));
    layout->addSpacing(8);
    layout->addLayout(buttons);
    layout->addSpacing(8);
    layout->addWidget(result_);
    layout->addStretch(1);
    layout->addWidget(WizardText(QStringLiteral("The address is read from this page:"), this));
    layout->addWidget(link);
    layout->addWidget(
        WizardText(QStringLiteral("When a local address is found instead of the public one, click "
                                  "Configure and add it to the private addresses."),
                   this));

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
