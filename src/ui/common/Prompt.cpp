#include "ui/common/Prompt.h"

#include <QApplication>
#include <QCheckBox>
#include <QMessageBox>
#include <QPushButton>

namespace hostaq {

namespace {
struct TPromptState {
    bool TestMode = false;
    std::deque<TPromptAnswer> Queued;
    std::vector<TPromptRequest> Asked;
    int Beeps = 0;
};

TPromptState& State() {
    static TPromptState state;
    return state;
}

QMessageBox::StandardButton ToStandard(TPromptButton b) {
    switch (b) {
    case TPromptButton::Ok:
        return QMessageBox::Ok;
    case TPromptButton::Cancel:
        return QMessageBox::Cancel;
    case TPromptButton::Yes:
        return QMessageBox::Yes;
    case TPromptButton::No:
        return QMessageBox::No;
    }
    return QMessageBox::Ok;
}

QMessageBox::Icon ToIcon(TPromptKind kind) {
    switch (kind) {
    case TPromptKind::Information:
        return QMessageBox::Information;
    case TPromptKind::Warning:
        return QMessageBox::Warning;
    case TPromptKind::Error:
        return QMessageBox::Critical;
    case TPromptKind::Question:
        return QMessageBox::Question;
    }
    return QMessageBox::NoIcon;
}
} // namespace

TPromptAnswer TPrompt::Ask(QWidget* parent, const TPromptRequest& request) {
    TPromptState& state = State();
    if (state.TestMode) {
        state.Asked.push_back(request);
        if (state.Queued.empty())
            return {request.Default, request.CheckBoxChecked};
        const TPromptAnswer answer = state.Queued.front();
        state.Queued.pop_front();
        return answer;
    }
    QMessageBox box(parent);
    box.setIcon(ToIcon(request.Kind));
    box.setWindowTitle(request.Title.isEmpty() ? QApplication::applicationDisplayName() : request.Title);
    box.setText(request.Text);
    QMessageBox::StandardButtons buttons;
    for (TPromptButton b : request.Buttons)
        buttons |= ToStandard(b);
    box.setStandardButtons(buttons);
    box.setDefaultButton(ToStandard(request.Default));
    QCheckBox* check = nullptr;
    if (!request.CheckBoxText.isEmpty()) {
        check = new QCheckBox(request.CheckBoxText, &box);
        check->setChecked(request.CheckBoxChecked);
        box.setCheckBox(check);
    }
    // A box opened while the window sits in the tray must still come to the front.
    box.raise();
    box.activateWindow();
    const int result = box.exec();
    TPromptAnswer answer;
    answer.CheckBoxChecked = check && check->isChecked();
    switch (result) {
    case QMessageBox::Yes:
        answer.Button = TPromptButton::Yes;
        break;
    case QMessageBox::No:
        answer.Button = TPromptButton::No;
        break;
    case QMessageBox::Cancel:
        answer.Button = TPromptButton::Cancel;
        break;
    case QMessageBox::Ok:
        answer.Button = TPromptButton::Ok;
        break;
    default:
        // Closed with Escape or the close box: the box's cancel answer.
        answer.Button = buttons.testFlag(QMessageBox::Cancel) ? TPromptButton::Cancel
                        : buttons.testFlag(QMessageBox::No)   ? TPromptButton::No
                                                              : TPromptButton::Ok;
        break;
    }
    return answer;
}

void TPrompt::Information(QWidget* parent, const QString& text) {
    Ask(parent, {TPromptKind::Information, text, {TPromptButton::Ok}, TPromptButton::Ok, {}, {}, false});
}

void TPrompt::Warning(QWidget* parent, const QString& text) {
    Ask(parent, {TPromptKind::Warning, text, {TPromptButton::Ok}, TPromptButton::Ok, {}, {}, false});
}

void TPrompt::Error(QWidget* parent, const QString& text) {
    Ask(parent, {TPromptKind::Error, text, {TPromptButton::Ok}, TPromptButton::Ok, {}, {}, false});
}

bool TPrompt::YesNo(QWidget* parent, const QString& text, TPromptKind kind, TPromptButton defaultButton) {
    return Ask(parent, {kind, text, {TPromptButton::Yes, TPromptButton::No}, defaultButton, {}, {}, false})
               .Button == TPromptButton::Yes;
}

TPromptButton TPrompt::YesNoCancel(QWidget* parent, const QString& text, TPromptKind kind) {
    return Ask(parent, {kind,
                        text,
                        {TPromptButton::Yes, TPromptButton::No, TPromptButton::Cancel},
                        TPromptButton::Yes,
                        {},
                        {},
                        false})
        .Button;
}

void TPrompt::Beep() {
    if (State().TestMode) {
        ++State().Beeps;
        return;
    }
    QApplication::beep();
}

void TPrompt::SetTestMode(bool on) {
    State().TestMode = on;
}
bool TPrompt::TestMode() {
    return State().TestMode;
}
void TPrompt::QueueAnswer(TPromptButton button, bool checkBoxChecked) {
    State().Queued.push_back({button, checkBoxChecked});
}
std::vector<TPromptRequest>& TPrompt::Asked() {
    return State().Asked;
}
int TPrompt::Beeps() {
    return State().Beeps;
}
void TPrompt::Reset() {
    State().Queued.clear();
    State().Asked.clear();
    State().Beeps = 0;
}

} // namespace hostaq
