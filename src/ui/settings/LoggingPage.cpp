#include "ui/settings/LoggingPage.h"

#include "ui/settings/SettingsMessages.h"
#include "ui/settings/SettingsUi.h"

#include <QCheckBox>
#include <QComboBox>
#include <QFormLayout>
#include <QGroupBox>
#include <QSpinBox>
#include <QVBoxLayout>

namespace hostaq {

TSettingsLoggingPage::TSettingsLoggingPage(QWidget* parent) : QWidget(parent) {
    setObjectName(QStringLiteral("TabSheetLogging"));
    toScreen_ = new QCheckBox(Caption(MsgLogToScreen), this);
    toScreen_->setObjectName(QStringLiteral("CheckBoxLogToScreen"));
    maxLines_ = new QSpinBox(this);
    maxLines_->setObjectName(QStringLiteral("SpinMaxLogLines"));
    maxLines_->setRange(1, 1500);
    toFile_ = new QCheckBox(Caption(MsgLogToFile), this);
    toFile_->setObjectName(QStringLiteral("CheckBoxLogToFile"));
    interval_ = new QComboBox(this);
    interval_->setObjectName(QStringLiteral("ComboChangeLogInt"));
    interval_->addItems({Caption(MsgDayPeriod), Caption(MsgWeek), Caption(MsgMonth)});
    kept_ = new QComboBox(this);
    kept_->setObjectName(QStringLiteral("ComboLogKept"));
    for (int i = 1; i <= 10; ++i)
        kept_->addItem(QString::number(i));

    auto* screenBox = new QGroupBox(this);
    auto* screen = new QFormLayout(screenBox);
    screen->addRow(toScreen_);
    screen->addRow(Caption(MsgMaxLogLines), maxLines_);
    auto* fileBox = new QGroupBox(this);
    auto* file = new QFormLayout(fileBox);
    file->addRow(toFile_);
    file->addRow(Caption(MsgChangeLogEvery), interval_);
    file->addRow(Caption(MsgDeleteAfter), kept_);

    auto* layout = new QVBoxLayout(this);
    layout->addWidget(screenBox);
    layout->addWidget(fileBox);
    layout->addStretch(1);
    connect(toScreen_, &QCheckBox::toggled, maxLines_, &QSpinBox::setEnabled);
    connect(toFile_, &QCheckBox::toggled, interval_, &QComboBox::setEnabled);
    connect(toFile_, &QCheckBox::toggled, kept_, &QComboBox::setEnabled);
}

void TSettingsLoggingPage::Load(const TLoggingValues& v) {
    toScreen_->setChecked(v.ToScreen);
    maxLines_->setValue(std::stoi(v.MaxLines));
    maxLines_->setEnabled(v.ToScreen);
    toFile_->setChecked(v.ToFile);
    interval_->setCurrentIndex(v.ChangeInterval);
    kept_->setCurrentIndex(v.Kept);
    interval_->setEnabled(v.ToFile);
    kept_->setEnabled(v.ToFile);
}

void TSettingsLoggingPage::Store(TLoggingValues& v) const {
    v.ToScreen = toScreen_->isChecked();
    v.MaxLines = std::to_string(maxLines_->value());
    v.ToFile = toFile_->isChecked();
    v.ChangeInterval = interval_->currentIndex();
    v.Kept = kept_->currentIndex();
}

} // namespace hostaq
