#include "ui/main/OfflineCountdown.h"

#include "config/Clock.h"
#include "config/Messages.h"
#include "config/Version.h"
#include "ui/common/UiMessages.h"

#include <QApplication>
#include <QCloseEvent>
#include <QHBoxLayout>
#include <QKeyEvent>
#include <QLabel>
#include <QProgressBar>
#include <QPushButton>
#include <QStyle>
#include <QVBoxLayout>

namespace hostaq {

namespace {
QString M(int id) {
    return QString::fromStdString(Msg(id));
}
constexpr int CountdownSeconds = 60;
} // namespace

TFormOfflineCountdown::TFormOfflineCountdown(QWidget* parent)
    : QDialog(parent), labelWithin_(new QLabel(this)), bar_(new QProgressBar(this)), shownAt_(Now()) {
    setObjectName(QStringLiteral("FormOfflineCountdown"));
    const QString title = QString::fromStdString(FormatMsg(MsgCountdownTitle, {AppTitle}));
    setWindowTitle(title);
    previousTitle_ = QGuiApplication::applicationDisplayName();
    QGuiApplication::setApplicationDisplayName(title);

    auto* icon = new QLabel(this);
    icon->setObjectName(QStringLiteral("ImageWarning"));
    icon->setPixmap(style()->standardIcon(QStyle::SP_MessageBoxWarning).pixmap(32, 32));
    auto* scheduled = new QLabel(M(MsgCountdownScheduled), this);
    scheduled->setObjectName(QStringLiteral("LabelScheduled"));
    labelWithin_->setObjectName(QStringLiteral("LabelWithin"));
    auto* closing = new QLabel(M(MsgCountdownClosing), this);
    closing->setObjectName(QStringLiteral("LabelClosing"));
    bar_->setObjectName(QStringLiteral("ProgressBar"));
    bar_->setRange(0, CountdownSeconds);
    bar_->setTextVisible(false);
    // Smooth and red.
    bar_->setStyleSheet(
        QStringLiteral("QProgressBar { border: 1px solid #808080; background: white; height: 14px; }"
                       "QProgressBar::chunk { background-color: #d00000; }"));
    auto* abort = new QPushButton(M(MsgAbortCmd), this);
    abort->setObjectName(QStringLiteral("ButtonAbort"));
    auto* now = new QPushButton(M(MsgDoNowCmd), this);
    now->setObjectName(QStringLiteral("ButtonDoNow"));
    now->setDefault(true);
    connect(abort, &QPushButton::clicked, this, &TFormOfflineCountdown::Abort);
    connect(now, &QPushButton::clicked, this, &TFormOfflineCountdown::DoNow);

    auto* texts = new QVBoxLayout;
    texts->addWidget(scheduled);
    texts->addWidget(labelWithin_);
    texts->addWidget(bar_);
    texts->addWidget(closing);
    auto* top = new QHBoxLayout;
    top->addWidget(icon, 0, Qt::AlignTop);
    top->addLayout(texts, 1);
    auto* buttons = new QHBoxLayout;
    buttons->addStretch(1);
    buttons->addWidget(abort);
    buttons->addWidget(now);
    auto* layout = new QVBoxLayout(this);
    layout->addLayout(top);
    layout->addLayout(buttons);
    layout->setSizeConstraint(QLayout::SetFixedSize);
    setModal(true);
    ShowSeconds();

    timer_.setInterval(1000);
    connect(&timer_, &QTimer::timeout, this, &TFormOfflineCountdown::Tick);
    timer_.start();
}

TFormOfflineCountdown::~TFormOfflineCountdown() {
    QGuiApplication::setApplicationDisplayName(previousTitle_);
}

void TFormOfflineCountdown::ShowSeconds() {
    labelWithin_->setText(
        QString::fromStdString(FormatMsg(MsgCountdownWithin, {std::to_string(secondsLeft_)})));
    bar_->setValue(CountdownSeconds - secondsLeft_);
}

void TFormOfflineCountdown::Tick() {
    if (answered_)
        return;
    if (secondsLeft_ > 0)
        --secondsLeft_;
    ShowSeconds();
    // The clock decides as well: a machine that slept through the minute goes ahead at once.
    if (secondsLeft_ == 0 || Now() > shownAt_.AddSecs(CountdownSeconds))
        DoNow();
}

void TFormOfflineCountdown::Abort() {
    Finish(false);
}

void TFormOfflineCountdown::DoNow() {
    Finish(true);
}

void TFormOfflineCountdown::Finish(bool goAhead) {
    if (answered_)
        return;
    answered_ = true;
    goAhead_ = goAhead;
    timer_.stop();
    emit Answer(goAhead);
    done(goAhead ? QDialog::Accepted : QDialog::Rejected);
}

void TFormOfflineCountdown::closeEvent(QCloseEvent* event) {
    Finish(true);
    event->accept();
}

void TFormOfflineCountdown::keyPressEvent(QKeyEvent* event) {
    if (event->key() == Qt::Key_Escape) {
        Abort();
        return;
    }
    QDialog::keyPressEvent(event);
}

} // namespace hostaq
