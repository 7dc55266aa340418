#pragma once

#include "config/DateTime.h"

#include <QDialog>
#include <QString>
#include <QTimer>

class QLabel;
class QProgressBar;

namespace hostaq {

// The countdown before a scheduled offline update that ends the session: sixty seconds to press
// "&Abort". "Do &Now!", the end of the minute and closing the window all go ahead. While it is
// open the application's title reads "Offline Update - Hostaq Updater".
class TFormOfflineCountdown : public QDialog {
    Q_OBJECT
public:
    explicit TFormOfflineCountdown(QWidget* parent = nullptr);
    ~TFormOfflineCountdown() override;

    int SecondsLeft() const { return secondsLeft_; }
    // True once the user chose; the answer is GoAhead.
    bool Answered() const { return answered_; }
    bool GoAhead() const { return goAhead_; }

    // The one-second step (the timer calls it).
    void Tick();
    void Abort();
    void DoNow();

signals:
    void Answer(bool goAhead);

protected:
    void closeEvent(QCloseEvent* event) override;
    void keyPressEvent(QKeyEvent* event) override;

private:
    void Finish(bool goAhead);
    void ShowSeconds();

    QLabel* labelWithin_;
    QProgressBar* bar_;
    QTimer timer_;
    TDateTime shownAt_;
    int secondsLeft_ = 60;
    bool answered_ = false;
    bool goAhead_ = true;
    QString previousTitle_;
};

} // namespace hostaq
