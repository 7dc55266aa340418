// The Welcome and Finish pages and the helpers every step uses.
#include "config/Version.h"
#include "ui/common/MsgText.h"
#include "ui/wizard/WizardMessages.h"
#include "ui/wizard/WizardSteps.h"

#include <QLabel>
#include <QLineEdit>
#include <QVBoxLayout>

namespace hostaq {

QLabel* WizardText(const QString& text, QWidget* parent) {
    auto* label = new QLabel(text, parent);
    label->setWordWrap(true);
    return label;
}

QLineEdit* WizardPasswordEdit(const char* name, QWidget* parent) {
    auto* edit = new QLineEdit(parent);
    edit->setObjectName(QString::fromLatin1(name));
    edit->setEchoMode(QLineEdit::Password);
    return edit;
}

namespace {
QLabel* BigTitle(const QString& text, QWidget* parent) {
    QLabel* title = WizardText(text, parent);
    QFont font = title->font();
    font.setBold(true);
    font.setPointSizeF(font.pointSizeF() * 1.5);
    title->setFont(font);
    return title;
}
} // namespace

TWizardWelcomePage::TWizardWelcomePage(QWidget* parent) : QWidget(parent) {
    setObjectName(QStringLiteral("TabSheetWelcome"));
    auto* layout = new QVBoxLayout(this);
    layout->addWidget(BigTitle(MsgText(MsgWizWelcome, {AppTitle}), this));
    layout->addSpacing(12);
    layout->addWidget(WizardText(MsgText(MsgWizWelcomeText, {AppTitle, AppTitle}), this));
    layout->addWidget(WizardText(MsgText(MsgWizWelcomeLogin), this));
    layout->addWidget(WizardText(MsgText(MsgWizWelcomeNothingSaved), this));
    layout->addStretch(1);
    layout->addWidget(WizardText(MsgText(MsgWizWelcomeContinue), this));
}

TWizardFinishPage::TWizardFinishPage(QWidget* parent) : QWidget(parent) {
    setObjectName(QStringLiteral("TabSheetFinish"));
    auto* layout = new QVBoxLayout(this);
    layout->addWidget(BigTitle(MsgText(MsgWizCompleting, {AppTitle}), this));
    layout->addSpacing(12);
    layout->addWidget(WizardText(MsgText(MsgWizFinishText, {AppTitle}), this));
    layout->addWidget(WizardText(MsgText(MsgWizFinishSaved), this));
    layout->addStretch(1);
    layout->addWidget(WizardText(MsgText(MsgWizFinishClose), this));
}

} // namespace hostaq
