#pragma once

#include <QDialog>
#include <QKeySequence>
#include <functional>

class QCheckBox;
class QKeySequenceEdit;
class QLabel;
class QLineEdit;

namespace hostaq {

// The order of the display-window dialog's checks: a guarded window needs a password, and the
// confirmation must repeat it.
enum class TDisplayPasswordCheck { Ok, EmptyPassword, ConfirmDiffers };
TDisplayPasswordCheck CheckDisplayPassword(bool needPass, const QString& password, const QString& confirm);

// "Display Window Setting": how the main window opens (single or double click), the hot key that
// opens the tray menu, hiding the tray icon while a hot key is set, and the password that guards
// the window.
class TFormDisplayWindow : public QDialog {
    Q_OBJECT
public:
    // The main window's side: Apply gives it the hot key (registration writes PopUpMod and
    // PopUpKey) and answers whether a hot key is set afterwards; SetHideTray writes HideTray and
    // shows or hides the icon.
    struct TTarget {
        std::function<bool(const QKeySequence&)> ApplyHotKey;
        std::function<void(bool hide)> SetHideTray;
    };
    explicit TFormDisplayWindow(TTarget target, QWidget* parent = nullptr);

    void Load();
    // Shows the warning of the first failed check and keeps the dialog open.
    bool Validate();
    void Save();
    void accept() override;

    QCheckBox* NeedPass() const { return needPass_; }
    QLineEdit* Password() const { return password_; }
    QLineEdit* Confirm() const { return confirm_; }
    QCheckBox* SingleClick() const { return singleClick_; }
    QKeySequenceEdit* HotKeyEdit() const { return hotKey_; }
    QCheckBox* HideTray() const { return hideTray_; }
    // Why the last key pressed in the hot-key field was refused; hidden when it was not.
    QLabel* HotKeyProblemLabel() const { return hotKeyProblem_; }

protected:
    // Enter and Esc in the hot-key field press OK and Cancel instead of becoming the key.
    bool eventFilter(QObject* watched, QEvent* event) override;

private:
    void UpdateEnabling();
    void HotKeyEdited(const QKeySequence& key);

    TTarget target_;
    QCheckBox* needPass_;
    QLineEdit* password_;
    QLineEdit* confirm_;
    QCheckBox* singleClick_;
    QKeySequenceEdit* hotKey_;
    QCheckBox* hideTray_;
    QLabel* hotKeyProblem_;
    QKeySequence acceptedKey_; // the field's last key that can be a hot key
};

} // namespace hostaq
