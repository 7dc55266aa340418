// The Welcome and Finish pages and the helpers every step uses.
#include "config/Version.h"
#include "ui/wizard/WizardSteps.h"

#include <QLabel>
#include <QLineEdit>
#include <QVBoxLayout>

namespace hostaq {

QWidget* TWizardStep::Field(TWizardField field) const {
    for (const auto& [f, control] : fields_)
        if (f == field)
            return control;
    return nullptr;
}

void TWizardStep::ShowsFields(std::initializer_list<std::pair<TWizardField, QWidget*>> fields) {
    fields_.insert(fields_.end(), fields.begin(), fields.end());
}

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
    const QString app = QString::fromLatin1(AppTitle);
    auto* layout = new QVBoxLayout(this);
    layout->addWidget(BigTitle(QStringLiteral("Welcome to %1").arg(app), this));
    layout->addSpacing(12);
    layout->addWidget(WizardText(
        QStringLiteral("This wizard helps you set up %1 in a few steps: how this computer connects to the "
                       "Internet, how its public IP address is found, and the hostnames that %1 keeps "
                       "pointing at that address.")
            .arg(app),
        this));
    layout->addWidget(
        WizardText(QStringLiteral("Have the user name and password of your DNS account at hand."), this));
    layout->addWidget(
        WizardText(QStringLiteral("Nothing is saved until you press Finish on the last page."), this));
    layout->addStretch(1);
    layout->addWidget(WizardText(QStringLiteral("To continue, click Next."), this));
}

TWizardFinishPage::TWizardFinishPage(QWidget* parent) : QWidget(parent) {
    setObjectName(QStringLiteral("TabSheetFinish"));
    const QString app = QString::fromLatin1(AppTitle);
    auto* layout = new QVBoxLayout(this);
    layout->addWidget(BigTitle(QStringLiteral("Completing the %1 Wizard").arg(app), this));
    layout->addSpacing(12);
    layout->addWidget(WizardText(
        QStringLiteral("%1 now has what it needs to keep your hostnames up to date.").arg(app), this));
    layout->addWidget(WizardText(QStringLiteral("Your settings and your hostnames group are saved when you "
                                                "click Finish. You can change them later in the Settings "
                                                "window."),
                                 this));
    layout->addStretch(1);
    layout->addWidget(WizardText(QStringLiteral("To save and close this wizard, click Finish."), this));
}

} // namespace hostaq
