#include "ipdetect/HostNetwork.h"
#include "ui/common/MsgText.h"
#include "ui/wizard/WizardAddressDialog.h"
#include "ui/wizard/WizardMessages.h"
#include "ui/wizard/WizardSteps.h"

#include <QGridLayout>
#include <QLabel>
#include <QListWidget>
#include <QPushButton>
#include <QVBoxLayout>

namespace hostaq {

TWizardStepPrivateAddresses::TWizardStepPrivateAddresses(const std::vector<std::string>& localList,
                                                         QWidget* parent)
    : TWizardStep(parent) {
    setObjectName(QStringLiteral("TabSheetPrivateAddresses"));
    const std::string own = AllHostAddresses();
    auto* machine =
        new QLabel(MsgText(MsgWizOwnAddresses,
                           {own.empty() ? Msg(MsgWizNoneFound)
                                        : QString::fromStdString(own).replace(',', ", ").toStdString()}),
                   this);
    machine->setObjectName(QStringLiteral("LabelHostAddresses"));
    machine->setWordWrap(true);
    list_ = new QListWidget(this);
    list_->setObjectName(QStringLiteral("ListBoxLocalIP"));
    for (const std::string& entry : localList)
        list_->addItem(QString::fromStdString(entry));
    add_ = new QPushButton(MsgText(MsgWizAdd), this);
    add_->setObjectName(QStringLiteral("ButtonAddIP"));
    remove_ = new QPushButton(MsgText(MsgWizRemove), this);
    remove_->setObjectName(QStringLiteral("ButtonRemoveIP"));
    test_ = new QPushButton(MsgText(MsgWizTest), this);
    test_->setObjectName(QStringLiteral("ButtonTestIP"));
    test_->setToolTip(MsgText(MsgWizTestTip));
    result_ = new QLabel(this);
    result_->setObjectName(QStringLiteral("LabelTestResult"));
    result_->setWordWrap(true);

    auto* buttons = new QVBoxLayout;
    buttons->addWidget(add_);
    buttons->addWidget(remove_);
    buttons->addWidget(test_);
    buttons->addStretch(1);
    auto* grid = new QGridLayout;
    grid->addWidget(list_, 0, 0);
    grid->addLayout(buttons, 0, 1);
    auto* layout = new QVBoxLayout(this);
    layout->addWidget(WizardText(MsgText(MsgWizPrivateText), this));
    layout->addWidget(machine);
    layout->addLayout(grid, 1);
    layout->addWidget(result_);

    connect(add_, &QPushButton::clicked, this, [this] {
        const QString entry = AskEntry ? AskEntry(this) : TWizardAddressDialog::AskEntry(this);
        AddEntry(entry);
    });
    connect(remove_, &QPushButton::clicked, this, &TWizardStepPrivateAddresses::RemoveSelected);
    connect(test_, &QPushButton::clicked, this, &TWizardStepPrivateAddresses::TestRequested);
}

void TWizardStepPrivateAddresses::AddEntry(const QString& entry) {
    const QString text = entry.trimmed();
    if (text.isEmpty() || !list_->findItems(text, Qt::MatchExactly).isEmpty())
        return;
    list_->addItem(text);
}

void TWizardStepPrivateAddresses::RemoveSelected() {
    const QList<QListWidgetItem*> selected = list_->selectedItems();
    if (!selected.isEmpty())
        delete selected.front();
}

void TWizardStepPrivateAddresses::Store(TWizardValues& v) const {
    v.LocalList.clear();
    for (int i = 0; i < list_->count(); ++i)
        v.LocalList.push_back(list_->item(i)->text().toStdString());
}

void TWizardStepPrivateAddresses::SetResult(const QString& text) {
    result_->setText(text);
}

QString TWizardStepPrivateAddresses::Result() const {
    return result_->text();
}

void TWizardStepPrivateAddresses::SetRunning(bool running) {
    for (QWidget* w : std::initializer_list<QWidget*>{list_, add_, remove_, test_})
        w->setEnabled(!running);
}

} // namespace hostaq
