#pragma once

#include "ui/wizard/WizardFlow.h"

#include <QWidget>
#include <initializer_list>
#include <utility>
#include <vector>

class QCheckBox;
class QComboBox;
class QLabel;
class QLineEdit;
class QListWidget;
class QPushButton;
class QRadioButton;

namespace hostaq {

class THostListPanel;

// One page of the wizard: it puts what the user entered into the wizard's values and tells which
// control shows a field that failed a check.
class TWizardStep : public QWidget {
    Q_OBJECT
public:
    using QWidget::QWidget;
    virtual void Store(TWizardValues& values) const = 0;
    // The control of a checked field on this page; nothing for a field of another page.
    QWidget* Field(TWizardField field) const;

protected:
    // Each page names the controls of its checked fields once, when it builds them.
    void ShowsFields(std::initializer_list<std::pair<TWizardField, QWidget*>> fields);

private:
    std::vector<std::pair<TWizardField, QWidget*>> fields_;
};

class TWizardWelcomePage : public QWidget {
    Q_OBJECT
public:
    explicit TWizardWelcomePage(QWidget* parent = nullptr);
};

class TWizardFinishPage : public QWidget {
    Q_OBJECT
public:
    explicit TWizardFinishPage(QWidget* parent = nullptr);
};

// Step 0: dial-up or local network, and whether a proxy is used.
class TWizardStepConnection : public TWizardStep {
    Q_OBJECT
public:
    TWizardStepConnection(bool localNetwork, bool useProxy, QWidget* parent = nullptr);
    void Store(TWizardValues& values) const override;

private:
    QRadioButton* dialUp_;
    QRadioButton* lan_;
    QCheckBox* useProxy_;
};

// Step 1: the proxy server.
class TWizardStepProxy : public TWizardStep {
    Q_OBJECT
public:
    TWizardStepProxy(const std::string& host, const std::string& port, QWidget* parent = nullptr);
    void Store(TWizardValues& values) const override;

private:
    QLineEdit* host_;
    QLineEdit* port_;
    QLineEdit* user_;
    QLineEdit* password_;
    QLineEdit* confirm_;
};

// Step 2: the dial-up connection.
class TWizardStepDialer : public TWizardStep {
    Q_OBJECT
public:
    explicit TWizardStepDialer(QWidget* parent = nullptr);
    void Store(TWizardValues& values) const override;
    // Fills the entry list from the system's dial-up entries; selects the one that is connected.
    void DetectEntries();

private:
    QCheckBox* needDial_;
    QComboBox* entry_;
    QPushButton* detect_;
    QLineEdit* user_;
    QLineEdit* password_;
    QLineEdit* confirm_;
};

// Step 3: the public address test. The wizard runs the check; the page shows its state.
class TWizardStepPublicAddress : public TWizardStep {
    Q_OBJECT
public:
    explicit TWizardStepPublicAddress(QWidget* parent = nullptr);
    void Store(TWizardValues&) const override {}
    void SetResult(const QString& text);
    void SetRunning(bool running);
    QString Result() const;

signals:
    void DetectRequested();
    void ConfigureRequested();
    void CompareRequested();

private:
    QPushButton* detect_;
    QPushButton* configure_;
    QPushButton* compare_;
    QLabel* result_;
};

// Step 4: the local (never public) addresses.
class TWizardStepPrivateAddresses : public TWizardStep {
    Q_OBJECT
public:
    explicit TWizardStepPrivateAddresses(const std::vector<std::string>& localList,
                                         QWidget* parent = nullptr);
    void Store(TWizardValues& values) const override;
    // Adds an entry unless it is empty or already listed.
    void AddEntry(const QString& entry);
    void RemoveSelected();
    void SetResult(const QString& text);
    void SetRunning(bool running);
    QString Result() const;

    // Asks for an address or a range ("from" or "from-to"); unset, it shows the address dialog.
    std::function<QString(QWidget* parent)> AskEntry;

signals:
    void TestRequested();

private:
    QListWidget* list_;
    QPushButton* add_;
    QPushButton* remove_;
    QPushButton* test_;
    QLabel* result_;
};

// Step 5: the group's name.
class TWizardStepGroupName : public TWizardStep {
    Q_OBJECT
public:
    explicit TWizardStepGroupName(QWidget* parent = nullptr);
    void Store(TWizardValues& values) const override;

private:
    QLineEdit* name_;
};

// Step 6: the login at the provider.
class TWizardStepLogin : public TWizardStep {
    Q_OBJECT
public:
    explicit TWizardStepLogin(QWidget* parent = nullptr);
    void Store(TWizardValues& values) const override;

signals:
    void LoginEdited();

private:
    QLineEdit* user_;
    QLineEdit* password_;
    QLineEdit* confirm_;
};

// Step 7: download the hostnames or type them.
class TWizardStepHostnameEntry : public TWizardStep {
    Q_OBJECT
public:
    explicit TWizardStepHostnameEntry(QWidget* parent = nullptr);
    void Store(TWizardValues& values) const override;
    void SetRunning(bool running);

private:
    QRadioButton* download_;
    QRadioButton* manual_;
    QLabel* status_;
};

// Step 8: the hostnames.
class TWizardStepHostnames : public TWizardStep {
    Q_OBJECT
public:
    explicit TWizardStepHostnames(QWidget* parent = nullptr);
    void Store(TWizardValues& values) const override;
    THostListPanel* Panel() const { return panel_; }

private:
    THostListPanel* panel_;
};

// Step 9: automatic update.
class TWizardStepAutoUpdate : public TWizardStep {
    Q_OBJECT
public:
    explicit TWizardStepAutoUpdate(QWidget* parent = nullptr);
    void Store(TWizardValues& values) const override;

private:
    QCheckBox* enable_;
};

// Step 10: how the program starts.
class TWizardStepStartOptions : public TWizardStep {
    Q_OBJECT
public:
    explicit TWizardStepStartOptions(QWidget* parent = nullptr);
    void Store(TWizardValues& values) const override;

private:
    QCheckBox* startWithSession_;
    QCheckBox* installService_;
};

// Helpers the pages share.
QLabel* WizardText(const QString& text, QWidget* parent);
QLineEdit* WizardPasswordEdit(const char* name, QWidget* parent);

} // namespace hostaq
