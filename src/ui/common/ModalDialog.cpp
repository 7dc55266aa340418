#include "ui/common/ModalDialog.h"

#include "ui/common/MsgText.h"
#include "ui/common/Prompt.h"
#include "ui/common/UiMessages.h"

#include <QDialog>
#include <QDialogButtonBox>
#include <QFileDialog>
#include <QFileInfo>
#include <QPushButton>
#include <deque>

namespace hostaq {

namespace {
struct TModalState {
    TModalHandler Handler;
    std::deque<QString> FileNames;
};

TModalState& State() {
    static TModalState state;
    return state;
}
} // namespace

int ExecModal(QDialog& dialog) {
    // A handler may open a nested dialog, so it is copied before it runs.
    if (const TModalHandler handler = State().Handler)
        return handler(dialog);
    return dialog.exec();
}

QDialogButtonBox* OkCancelButtons(QDialog* dialog) {
    auto* buttons = new QDialogButtonBox(dialog);
    auto* ok = buttons->addButton(MsgText(MsgOk), QDialogButtonBox::AcceptRole);
    ok->setObjectName(QStringLiteral("ButtonOK"));
    ok->setDefault(true);
    buttons->addButton(MsgText(MsgCancel), QDialogButtonBox::RejectRole)
        ->setObjectName(QStringLiteral("ButtonCancel"));
    QObject::connect(buttons, &QDialogButtonBox::accepted, dialog, &QDialog::accept);
    QObject::connect(buttons, &QDialogButtonBox::rejected, dialog, &QDialog::reject);
    return buttons;
}

QString AskOpenFileName(QWidget* parent, const QString& title, const QString& current,
                        const QString& filter) {
    if (TPrompt::TestMode()) {
        if (State().FileNames.empty())
            return {};
        const QString name = State().FileNames.front();
        State().FileNames.pop_front();
        return name;
    }
    const QString start = current.isEmpty() ? QString() : QFileInfo(current).absoluteFilePath();
    return QFileDialog::getOpenFileName(parent, title, start, filter);
}

TModalHandler SetModalHandler(TModalHandler handler) {
    TModalHandler old = std::move(State().Handler);
    State().Handler = std::move(handler);
    return old;
}

void QueueOpenFileName(const QString& name) {
    State().FileNames.push_back(name);
}

void ResetOpenFileNames() {
    State().FileNames.clear();
}

} // namespace hostaq
