#pragma once

#include <QDialog>
#include <QString>

class QLineEdit;

namespace hostaq {

// "Enter Password": the prompt that guards the main window.
class TPasswordDlg : public QDialog {
    Q_OBJECT
public:
    explicit TPasswordDlg(QWidget* parent = nullptr);
    QString Entry() const;
    QLineEdit* Edit() const { return edit_; }

    // ---- test seam: with the prompt seam in test mode nothing is shown; each ask takes the next
    // queued entry, or counts as Cancel (an empty entry) when none is queued.
    static void QueueTestEntry(const QString& entry);
    static int TestAsks();
    static void ResetTest();

private:
    QLineEdit* edit_;
};

// True when the main window may be shown: no display password is set, or the entry equals the
// stored one (exact, case-sensitive; Cancel is an empty entry). A wrong entry says nothing.
bool AskDisplayPassword(QWidget* parent);

} // namespace hostaq
