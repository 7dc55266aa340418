#pragma once

#include <QDialog>
#include <functional>

namespace hostaq {

// The About box: the program's name with "- Beta", its version and the check for a newer one.
class TAboutBox : public QDialog {
    Q_OBJECT
public:
    // versionCheck starts reading the version page and returns at once; it tells the outcome
    // (a question or "You have the latest version.") and then calls done, on the window's
    // thread. Without one the button is hidden.
    using TVersionCheckFn = std::function<void(std::function<void()> done)>;
    explicit TAboutBox(TVersionCheckFn versionCheck, QWidget* parent = nullptr);

    // Starts the check; the button stays off until it has answered, the window keeps working.
    void CheckVersion();

private:
    TVersionCheckFn versionCheck_;
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
