#pragma once

#include <QDialog>
#include <functional>

namespace hostaq {

// The About box: the program's name with "- Beta", its version and the check for a newer one.
class TAboutBox : public QDialog {
    Q_OBJECT
public:
    // versionCheck asks the version page and tells the outcome (a question or "You have the
    // latest version."); without one the button is hidden.
    explicit TAboutBox(std::function<void()> versionCheck, QWidget* parent = nullptr);

    void CheckVersion();

private:
    std::function<void()> versionCheck_;
};

// The notice of a newer version: not modal, "Yes" opens the download page, "No" or Escape
// closes it. onClosed runs when it goes away, however it was closed.
class TUpdateNoticeForm : public QDialog {
    Q_OBJECT
public:
    TUpdateNoticeForm(const QString& text, std::function<void()> onClosed, QWidget* parent = nullptr);
    ~TUpdateNoticeForm() override;

    void Yes();
    void No();
    // Escape, No and the close box: the notice goes away.
    void reject() override;

private:
    std::function<void()> onClosed_;
};

} // namespace hostaq
