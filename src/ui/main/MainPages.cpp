#include "ui/main/MainPages.h"

#include "config/Messages.h"
#include "config/Version.h"
#include "engine/EngineMessages.h"
#include "ui/common/UiMessages.h"

#include <QCheckBox>
#include <QComboBox>
#include <QDateEdit>
#include <QFormLayout>
#include <QGridLayout>
#include <QGroupBox>
#include <QHBoxLayout>
#include <QLabel>
#include <QLineEdit>
#include <QPushButton>
#include <QRegularExpressionValidator>
#include <QTimeEdit>
#include <QVBoxLayout>

namespace hostaq {

namespace {
QString M(int id) {
    return QString::fromStdString(Msg(id));
}

template <typename T> T* Named(T* widget, const char* name) {
    widget->setObjectName(QString::fromLatin1(name));
    return widget;
}

QLabel* ValueLabel(QWidget* parent, const char* name) {
    auto* label = Named(new QLabel(parent), name);
    label->setTextInteractionFlags(Qt::TextSelectableByMouse);
    return label;
}

QLineEdit* ReadOnlyField(QWidget* parent, const char* name) {
    auto* edit = Named(new QLineEdit(parent), name);
    edit->setReadOnly(true);
    return edit;
}

QLineEdit* NumberField(QWidget* parent, const char* name, int maxDigits) {
    auto* edit = Named(new QLineEdit(parent), name);
    edit->setValidator(new QRegularExpressionValidator(
        QRegularExpression(QStringLiteral("[0-9]{0,%1}").arg(maxDigits)), edit));
    edit->setMaxLength(maxDigits);
    const QFontMetrics fm(edit->font());
    edit->setFixedWidth(fm.horizontalAdvance(QString(maxDigits + 2, QLatin1Char('0'))) + 12);
    edit->setAlignment(Qt::AlignRight);
    return edit;
}

QPushButton* Button(QWidget* parent, int message, const char* name) {
    return Named(new QPushButton(M(message), parent), name);
}

QGroupBox* PageGroup(QWidget* page, int title, const char* name) {
    auto* group = Named(new QGroupBox(M(title), page), name);
    auto* layout = new QVBoxLayout(page);
    layout->addWidget(group);
    return group;
}
} // namespace

TInfoPage::TInfoPage(QWidget* parent) : QWidget(parent) {
    setObjectName(QStringLiteral("TabSheetInfo"));
    auto* group = PageGroup(this, MsgGroupGeneralInfo, "GroupBoxInfo");
    TotalGroups = ValueLabel(group, "LabelTotalGroups");
    TotalHosts = ValueLabel(group, "LabelTotalHosts");
    ConnectionType = ValueLabel(group, "LabelConnectionType");
    AutomaticUpdate = ValueLabel(group, "LabelAutomaticUpdate");
    CheckingInterval = ValueLabel(group, "LabelCheckingInterval");
    LastUpdated = ValueLabel(group, "LabelLastUpdated");
    NextForceUpdate = ValueLabel(group, "LabelNextForceUpdate");
    CurrentIP = ReadOnlyField(group, "EditCurrentIP");
    UpdatedIP = ReadOnlyField(group, "EditUpdatedIP");
    Settings = Button(group, MsgSettingsCmd, "ButtonSettings");
    ForceUpdate = Button(group, MsgForceUpdateCmd, "ButtonForceUpdate");

    auto* form = new QFormLayout;
    form->setLabelAlignment(Qt::AlignLeft);
    form->addRow(M(MsgTotalGroups), TotalGroups);
    form->addRow(M(MsgTotalHosts), TotalHosts);
    form->addRow(M(MsgConnectionType), ConnectionType);
    form->addRow(M(MsgAutomaticUpdate), AutomaticUpdate);
    form->addRow(M(MsgCheckingInterval), CheckingInterval);
    form->addRow(M(MsgLastUpdated), LastUpdated);
    form->addRow(M(MsgNextForceUpdate), NextForceUpdate);
    form->addRow(M(MsgCurrentIP), CurrentIP);
    form->addRow(M(MsgUpdatedIP), UpdatedIP);
    auto* buttons = new QHBoxLayout;
    buttons->addStretch(1);
    buttons->addWidget(Settings);
    buttons->addWidget(ForceUpdate);
    auto* layout = new QVBoxLayout(group);
    layout->addLayout(form);
    layout->addStretch(1);
    layout->addLayout(buttons);
}

void TInfoPage::ShowInfo(const TInfoValues& v) {
    TotalGroups->setText(QString::fromStdString(v.TotalGroups));
    TotalHosts->setText(QString::fromStdString(v.TotalHosts));
    ConnectionType->setText(QString::fromStdString(v.ConnectionType));
    AutomaticUpdate->setText(QString::fromStdString(v.AutomaticUpdate));
    CheckingInterval->setText(QString::fromStdString(v.CheckingInterval));
    LastUpdated->setText(QString::fromStdString(v.LastUpdated));
    NextForceUpdate->setText(QString::fromStdString(v.NextForceUpdate));
    CurrentIP->setText(QString::fromStdString(v.CurrentIP));
    UpdatedIP->setText(QString::fromStdString(v.UpdatedIP));
}

TOptionsPage::TOptionsPage(QWidget* parent) : QWidget(parent) {
    setObjectName(QStringLiteral("TabSheetOptions"));
    auto* group = PageGroup(this, MsgGroupGeneralOptions, "GroupBoxOptions");
    StartWithWindows = Named(new QCheckBox(M(MsgStartWithWindows), group), "CheckBoxStartWithWindows");
    ExitDialog = Named(new QCheckBox(M(MsgNoExitConfirmation), group), "CheckBoxExitDialog");
    NoBeep = Named(new QCheckBox(M(MsgNoBeep), group), "CheckBoxNoBeep");
    AutoCheck = Named(new QCheckBox(M(MsgEnableAutoUpdate), group), "CheckBoxAutoCheck");
    CheckingInt = NumberField(group, "EditCheckingInt", 2);
    ForceUpdateInt = NumberField(group, "EditForceUpdateInt", 4);
    Service = Button(group, MsgInstallService, "ButtonService");
    DisplayWindow = Button(group, MsgDisplayWindowCmd, "ButtonDisplayWindow");
    auto* note = Named(new QLabel(QString::fromStdString(FormatMsg(MsgDisplayWindowNote, {AppTitle})), group),
                       "LabelDisplayWindow");
    note->setWordWrap(true);

    auto* intervals = new QGridLayout;
    intervals->setContentsMargins(24, 0, 0, 0);
    intervals->addWidget(new QLabel(M(MsgCheckingInterval), group), 0, 0);
    intervals->addWidget(CheckingInt, 0, 1);
    intervals->addWidget(new QLabel(M(MsgMinutes), group), 0, 2);
    intervals->addWidget(new QLabel(M(MsgForceUpdateWithin), group), 1, 0);
    intervals->addWidget(ForceUpdateInt, 1, 1);
    intervals->addWidget(new QLabel(M(MsgDays), group), 1, 2);
    intervals->setColumnStretch(3, 1);
    auto* service = new QHBoxLayout;
    service->addWidget(Service);
    service->addStretch(1);
    auto* display = new QHBoxLayout;
    display->addWidget(note, 1);
    display->addWidget(DisplayWindow, 0, Qt::AlignVCenter);

    auto* layout = new QVBoxLayout(group);
    layout->addWidget(StartWithWindows);
    layout->addWidget(ExitDialog);
    layout->addWidget(NoBeep);
    layout->addWidget(AutoCheck);
    layout->addLayout(intervals);
    layout->addSpacing(4);
    layout->addLayout(service);
    layout->addStretch(1);
    layout->addLayout(display);
}

void TOptionsPage::ShowAutoCheck(bool checked) {
    const QSignalBlocker block(AutoCheck);
    AutoCheck->setChecked(checked);
    CheckingInt->setEnabled(checked);
    ForceUpdateInt->setEnabled(checked);
}

TOfflinePage::TOfflinePage(QWidget* parent) : QWidget(parent) {
    setObjectName(QStringLiteral("TabSheetOffline"));
    auto* group = PageGroup(this, MsgGroupOffline, "GroupBoxOffline");
    OfflineURL = Named(new QComboBox(group), "ComboBoxOfflineURL");
    OfflineURL->setEditable(true);
    OfflineURL->setMaxCount(10);
    OfflineURL->setInsertPolicy(QComboBox::InsertAtTop);
    OfflineIP = Named(new QLineEdit(group), "EditOfflineIP");
    OfflineIP->setInputMask(QString());
    AfterOffline = Named(new QComboBox(group), "ComboBoxAfterOffline");
    Forced = Named(new QCheckBox(M(MsgForceToExecute), group), "CheckBoxForced");
    Disconnect = Named(new QCheckBox(M(MsgDisconnect), group), "CheckBoxDisconnect");
    ScheduleOffline = Named(new QCheckBox(M(MsgScheduleOffline), group), "CheckBoxScheduleOffline");
    OffDate = Named(new QDateEdit(group), "DateTimePickerOffDate");
    OffDate->setCalendarPopup(true);
    OffDate->setDisplayFormat(QStringLiteral("MM/dd/yyyy"));
    OffTime = Named(new QTimeEdit(group), "DateTimePickerOffTime");
    OffTime->setDisplayFormat(QStringLiteral("HH:mm:ss"));
    OfflineNow = Button(group, MsgOfflineNowCmd, "ButtonOfflineNow");
    auto* note = Named(new QLabel(M(MsgOfflineDonorNote), group), "LabelDonorNote");
    note->setWordWrap(true);

    auto* form = new QFormLayout;
    form->addRow(M(MsgOfflineURL), OfflineURL);
    form->addRow(M(MsgBackupIP), OfflineIP);
    form->addRow(M(MsgAfterOffline), AfterOffline);
    auto* boxes = new QHBoxLayout;
    boxes->addWidget(Forced);
    boxes->addWidget(Disconnect);
    boxes->addStretch(1);
    form->addRow(QString(), boxes);
    auto* schedule = new QHBoxLayout;
    schedule->addWidget(ScheduleOffline);
    schedule->addWidget(OffDate);
    schedule->addWidget(OffTime);
    schedule->addStretch(1);
    auto* bottom = new QHBoxLayout;
    bottom->addWidget(note, 1);
    bottom->addWidget(OfflineNow, 0, Qt::AlignBottom);

    auto* layout = new QVBoxLayout(group);
    layout->addLayout(form);
    layout->addSpacing(4);
    layout->addLayout(schedule);
    layout->addStretch(1);
    layout->addLayout(bottom);
}

TLogPage::TLogPage(QWidget* parent) : QWidget(parent) {
    setObjectName(QStringLiteral("TabSheetLog"));
    ListHost = new QVBoxLayout;
    ShowLogFile = Button(this, MsgShowLogFile, "ButtonShowLog");
    ClearLog = Button(this, MsgClearLog, "ButtonClearLog");
    CancelDial = Button(this, MsgCancelDial, "ButtonCancelDial");
    DumpConfig = Button(this, MsgDumpConfig, "ButtonDumpConfig");
    CancelDial->setEnabled(false);
    auto* buttons = new QHBoxLayout;
    buttons->addWidget(ShowLogFile);
    buttons->addWidget(ClearLog);
    buttons->addWidget(CancelDial);
    buttons->addStretch(1);
    buttons->addWidget(DumpConfig);
    auto* layout = new QVBoxLayout(this);
    layout->addLayout(ListHost, 1);
    layout->addLayout(buttons);
}

} // namespace hostaq
