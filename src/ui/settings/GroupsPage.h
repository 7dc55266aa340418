#pragma once

#include <QWidget>
#include <functional>
#include <map>
#include <optional>
#include <string>
#include <vector>

class QTreeWidget;
class QTreeWidgetItem;

namespace hostaq {

struct TGroupRow;

// The Groups page: every group with its check box, host count, last update and last result (or
// provider), and the Add, Edit and Delete buttons. The buttons write at once (the group editor
// saves, Delete erases the section); the check boxes are saved with the dialog's OK.
class TSettingsGroupsPage : public QWidget {
    Q_OBJECT
public:
    explicit TSettingsGroupsPage(QWidget* parent = nullptr);

    void Load();
    QTreeWidget* List() const { return list_; }
    std::string SelectedName() const;
    // Check boxes that differ from the file: group name and the new Enable value.
    std::vector<std::pair<std::string, bool>> EnableChanges() const;
    std::vector<int> ColumnWidths() const;
    void SetColumnWidths(const std::vector<int>& widths);

    void AddGroup();
    void EditGroup();
    void DeleteGroup();

    // The group name prompt and the group editor (replaced by tests).
    std::function<std::optional<std::string>(QWidget* parent)> AskName;
    // The editor answers the name the group has after OK, nothing after Cancel.
    std::function<std::optional<std::string>(QWidget* parent, const std::string& name)> Edit;

private:
    // Reads the list again and selects `select`. Check boxes the user changed survive; the row of
    // the group just edited (editedFrom, its name before the editor) keeps the box it showed.
    void Reload(const std::string& select, const std::string& editedFrom = {});
    void ShowRow(QTreeWidgetItem* item, const TGroupRow& row);

    QTreeWidget* list_;
    std::map<std::string, bool> stored_; // Enable as in the file
};

} // namespace hostaq
