#pragma once

#include "engine/Presenter.h"

#include <QWidget>

class QCheckBox;
class QComboBox;
class QDateEdit;
class QLabel;
class QLineEdit;
class QPushButton;
class QTimeEdit;
class QVBoxLayout;

namespace hostaq {

// The pages of the main window. Each builds its controls (object names as the design names them)
// and shows values; the main window wires the controls to the commands.

// "Info": the state of the monitor and the two addresses.
class TInfoPage : public QWidget {
    Q_OBJECT
public:
    explicit TInfoPage(QWidget* parent = nullptr);
    void ShowInfo(const TInfoValues& values);

    QLabel* TotalGroups;
    QLabel* TotalHosts;
    QLabel* ConnectionType;
    QLabel* AutomaticUpdate;
    QLabel* CheckingInterval;
    QLabel* LastUpdated;
    QLabel* NextForceUpdate;
    QLineEdit* CurrentIP;
    QLineEdit* UpdatedIP;
    QPushButton* Settings;
    QPushButton* ForceUpdate;
};

// "Options": start-up, confirmation, automatic update and its intervals, the service and the
// display-window settings.
class TOptionsPage : public QWidget {
    Q_OBJECT
public:
    explicit TOptionsPage(QWidget* parent = nullptr);

    // The box without its clicked signal; the interval fields only matter while it is checked.
    void ShowAutoCheck(bool checked);

    QCheckBox* StartWithWindows;
    QCheckBox* ExitDialog;
    QCheckBox* NoBeep;
    QCheckBox* AutoCheck;
    QLineEdit* CheckingInt;
    QLineEdit* ForceUpdateInt;
    QPushButton* Service;
    QPushButton* DisplayWindow;
};

// "Offline": the offline update's address, what follows it and its schedule.
class TOfflinePage : public QWidget {
    Q_OBJECT
public:
    explicit TOfflinePage(QWidget* parent = nullptr);

    QComboBox* OfflineURL;
    QLineEdit* OfflineIP;
    QComboBox* AfterOffline;
    QCheckBox* Forced;
    QCheckBox* Disconnect;
    QCheckBox* ScheduleOffline;
    QDateEdit* OffDate;
    QTimeEdit* OffTime;
    QPushButton* OfflineNow;
};

// "Log": the log list (which may float in its own window) and its buttons.
class TLogPage : public QWidget {
    Q_OBJECT
public:
    explicit TLogPage(QWidget* parent = nullptr);

    // Where the log list sits while docked.
    QVBoxLayout* ListHost;
    QPushButton* ShowLogFile;
    QPushButton* ClearLog;
    QPushButton* CancelDial;
    QPushButton* DumpConfig;
};

} // namespace hostaq
