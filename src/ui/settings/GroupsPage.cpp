#include "ui/settings/GroupsPage.h"

#include "config/ConfigPath.h"
#include "groups/DynAcc.h"
#include "ui/common/Prompt.h"
#include "ui/editor/EditorEntry.h"
#include "ui/settings/SettingsLogic.h"
#include "ui/settings/SettingsMessages.h"
#include "ui/settings/SettingsUi.h"

#include <QHBoxLayout>
#include <QHeaderView>
#include <QPushButton>
#include <QTreeWidget>
#include <QVBoxLayout>

namespace hostaq {

TSettingsGroupsPage::TSettingsGroupsPage(QWidget* parent)
    : QWidget(parent), AskName(AskGroupName), Edit(ExecGroupEditor) {
    setObjectName(QStringLiteral("TabSheetGroups"));
    list_ = new QTreeWidget(this);
    list_->setObjectName(QStringLiteral("OptAccList"));
    list_->setRootIsDecorated(false);
    list_->setUniformRowHeights(true);
    list_->setAllColumnsShowFocus(true);
    list_->setHeaderLabels(
        {Caption(MsgColGroupName), Caption(MsgColHosts), Caption(MsgColLastUpdate), Caption(MsgColProvider)});
    list_->header()->setStretchLastSection(true);
    const QFontMetrics metrics = fontMetrics();
    SetColumnWidths({metrics.horizontalAdvance(QStringLiteral("Group name of some length")),
                     metrics.horizontalAdvance(QStringLiteral("Hosts  ")) + 8,
                     metrics.horizontalAdvance(QStringLiteral("00/00/0000 00:00:00")) + 16, 0});

    auto* add = new QPushButton(Caption(MsgButtonAdd), this);
    add->setObjectName(QStringLiteral("ButtonAdd"));
    auto* edit = new QPushButton(Caption(MsgButtonEdit), this);
    edit->setObjectName(QStringLiteral("ButtonEdit"));
    auto* del = new QPushButton(Caption(MsgButtonDelete), this);
    del->setObjectName(QStringLiteral("ButtonDelete"));
    connect(add, &QPushButton::clicked, this, &TSettingsGroupsPage::AddGroup);
    connect(edit, &QPushButton::clicked, this, &TSettingsGroupsPage::EditGroup);
    connect(del, &QPushButton::clicked, this, &TSettingsGroupsPage::DeleteGroup);
    connect(list_, &QTreeWidget::itemDoubleClicked, this, &TSettingsGroupsPage::EditGroup);

    auto* buttons = new QHBoxLayout;
    buttons->addWidget(add);
    buttons->addWidget(edit);
    buttons->addWidget(del);
    buttons->addStretch(1);
    auto* layout = new QVBoxLayout(this);
    layout->addWidget(list_, 1);
    layout->addLayout(buttons);
}

void TSettingsGroupsPage::ShowRow(QTreeWidgetItem* item, const TGroupRow& row) {
    item->setText(0, QText(row.Name));
    item->setText(1, QText(row.Hosts));
    item->setText(2, QText(row.LastUpdate));
    item->setText(3, QText(row.Fourth));
    item->setFlags(item->flags() | Qt::ItemIsUserCheckable);
    item->setCheckState(0, row.Enabled ? Qt::Checked : Qt::Unchecked);
    item->setData(0, Qt::UserRole, QText(row.Name));
    stored_[row.Name] = row.Enabled;
}

void TSettingsGroupsPage::Load() {
    Reload({});
}

void TSettingsGroupsPage::Reload(const std::string& select, const std::string& editedFrom) {
    // Check boxes the user changed survive the reload. The editor writes the group it saves
    // enabled, so the edited row takes the box it showed before, under its new name.
    std::vector<std::pair<std::string, bool>> pending = EnableChanges();
    for (int i = 0; i < list_->topLevelItemCount() && !editedFrom.empty(); ++i) {
        const QTreeWidgetItem* item = list_->topLevelItem(i);
        if (StdText(item->data(0, Qt::UserRole).toString()) != editedFrom)
            continue;
        std::erase_if(pending, [&](const auto& change) { return change.first == editedFrom; });
        pending.emplace_back(select, item->checkState(0) == Qt::Checked);
    }
    list_->clear();
    stored_.clear();
    QList<QTreeWidgetItem*> items;
    const std::vector<TGroupRow> rows = ReadGroupRows();
    items.reserve(static_cast<int>(rows.size()));
    for (const TGroupRow& row : rows) {
        auto* item = new QTreeWidgetItem;
        ShowRow(item, row);
        items.push_back(item);
    }
    list_->addTopLevelItems(items);
    for (const auto& [name, enabled] : pending) {
        for (QTreeWidgetItem* item : items)
            if (StdText(item->data(0, Qt::UserRole).toString()) == name)
                item->setCheckState(0, enabled ? Qt::Checked : Qt::Unchecked);
    }
    QTreeWidgetItem* current = items.isEmpty() ? nullptr : items.front();
    for (QTreeWidgetItem* item : items)
        if (!select.empty() && StdText(item->data(0, Qt::UserRole).toString()) == select)
            current = item;
    if (current)
        list_->setCurrentItem(current);
}

std::string TSettingsGroupsPage::SelectedName() const {
    const QTreeWidgetItem* item = list_->currentItem();
    return item ? StdText(item->data(0, Qt::UserRole).toString()) : std::string();
}

std::vector<std::pair<std::string, bool>> TSettingsGroupsPage::EnableChanges() const {
    std::vector<std::pair<std::string, bool>> changes;
    for (int i = 0; i < list_->topLevelItemCount(); ++i) {
        const QTreeWidgetItem* item = list_->topLevelItem(i);
        const std::string name = StdText(item->data(0, Qt::UserRole).toString());
        const bool checked = item->checkState(0) == Qt::Checked;
        const auto stored = stored_.find(name);
        if (stored != stored_.end() && stored->second != checked)
            changes.emplace_back(name, checked);
    }
    return changes;
}

std::vector<int> TSettingsGroupsPage::ColumnWidths() const {
    std::vector<int> widths;
    for (int i = 0; i < GroupListColumns; ++i)
        widths.push_back(list_->columnWidth(i));
    return widths;
}

void TSettingsGroupsPage::SetColumnWidths(const std::vector<int>& widths) {
    for (int i = 0; i < GroupListColumns && i < static_cast<int>(widths.size()); ++i)
        if (widths[i] > 0)
            list_->setColumnWidth(i, widths[i]);
}

void TSettingsGroupsPage::AddGroup() {
    TGroupAddHooks hooks;
    hooks.AskName = [this] { return AskName(this); };
    hooks.AskExisting = [this](const std::string& message) {
        switch (TPrompt::YesNoCancel(this, QText(message))) {
        case TPromptButton::Yes:
            return TAddAnswer::Yes;
        case TPromptButton::No:
            return TAddAnswer::No;
        default:
            return TAddAnswer::Cancel;
        }
    };
    hooks.Edit = [this](const std::string& name) { return Edit(this, name); };
    if (const std::optional<std::string> saved = RunGroupAdd(hooks))
        Reload(*saved);
}

void TSettingsGroupsPage::EditGroup() {
    const std::string name = SelectedName();
    if (name.empty())
        return;
    if (const std::optional<std::string> saved = Edit(this, name))
        Reload(*saved, name);
}

void TSettingsGroupsPage::DeleteGroup() {
    QTreeWidgetItem* item = list_->currentItem();
    if (!item)
        return;
    const std::string name = StdText(item->data(0, Qt::UserRole).toString());
    TPrompt::Beep();
    if (!TPrompt::YesNo(this, QText(FormatMsg(MsgDeleteGroup, {name}))))
        return;
    if (!hostaq::DeleteGroup(ConfigPath(), name))
        return;
    const int row = list_->indexOfTopLevelItem(item);
    delete list_->takeTopLevelItem(row);
    stored_.erase(name);
    const int next = RowAfterDelete(row, list_->topLevelItemCount());
    if (next >= 0)
        list_->setCurrentItem(list_->topLevelItem(next));
}

} // namespace hostaq
