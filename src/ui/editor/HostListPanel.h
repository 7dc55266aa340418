#pragma once

#include "ui/editor/AccountLogic.h"

#include <QWidget>
#include <functional>
#include <vector>

class QMenu;
class QPushButton;
class QTreeWidget;
class QTreeWidgetItem;
class QVBoxLayout;

namespace hostaq {

// The list of a group's hostnames with their check boxes, systems and (in the editor) results,
// the Add, Edit and Delete buttons and the pop-up menu that checks or unchecks every entry. The
// group editor and the wizard's Hostnames page both show it.
class THostListPanel : public QWidget {
    Q_OBJECT
public:
    explicit THostListPanel(bool showResults, QWidget* parent = nullptr);

    std::vector<THostRow> Rows() const;
    void SetRows(const std::vector<THostRow>& rows);

    // Adds a button under Delete (the editor's Download).
    void AddButton(QPushButton* button);
    // Enables or disables the list and its buttons together (a download is running).
    void SetBusy(bool busy);

    QTreeWidget* List() const { return list_; }
    QPushButton* AddHostButton() const { return add_; }

    void AddHost();
    void EditHost();
    void DeleteHosts();
    void SetAllChecked(bool checked);

    // Asks for a hostname and its system (index 0 to 2); false when the user cancelled. Unset, it
    // shows TFormHostName; tests answer here.
    std::function<bool(QWidget* parent, QString& host, int& system)> HostPrompt;

signals:
    // Any change of an entry, a check box or the list.
    void Changed();

protected:
    bool eventFilter(QObject* watched, QEvent* event) override;

private:
    bool AskHost(QString& host, int& system);
    QTreeWidgetItem* NewItem(const THostRow& row);
    void UpdateButtons();
    void UpdateHint();

    QTreeWidget* list_;
    QPushButton* add_;
    QPushButton* edit_;
    QPushButton* delete_;
    QVBoxLayout* buttons_;
    QMenu* menu_;
    bool filling_ = false;
    bool busy_ = false;
};

} // namespace hostaq
