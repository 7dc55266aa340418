#include "ui/editor/HostListPanel.h"

#include "config/Messages.h"
#include "ui/common/MsgText.h"
#include "ui/common/Prompt.h"
#include "ui/common/UiMessages.h"
#include "ui/editor/EditorMessages.h"
#include "ui/editor/FormHostName.h"
#include "ui/wizard/WizardMessages.h"

#include <QHBoxLayout>
#include <QHeaderView>
#include <QKeyEvent>
#include <QMenu>
#include <QPushButton>
#include <QTreeWidget>
#include <QVBoxLayout>

namespace hostaq {

namespace {
constexpr int MsgDeleteHost = 10140;
constexpr int MsgDeleteSelectedHosts = 10141;
constexpr int MsgTotalHosts = 10252;

enum TColumn { ColumnHost = 0, ColumnSystem = 1, ColumnResult = 2 };

QString Q(const std::string& s) {
    return QString::fromStdString(s);
}
} // namespace

THostListPanel::THostListPanel(bool showResults, QWidget* parent) : QWidget(parent) {
    list_ = new QTreeWidget(this);
    list_->setObjectName(QStringLiteral("ListViewHost"));
    list_->setRootIsDecorated(false);
    list_->setUniformRowHeights(true);
    list_->setSelectionMode(QAbstractItemView::ExtendedSelection);
    list_->setEditTriggers(QAbstractItemView::NoEditTriggers);
    list_->setContextMenuPolicy(Qt::CustomContextMenu);
    if (showResults)
        list_->setHeaderLabels(
            {MsgText(MsgHostnameCaption), MsgText(MsgEdSystemColumn), MsgText(MsgEdResultColumn)});
    else
        list_->setHeaderLabels({MsgText(MsgHostnameCaption), MsgText(MsgEdSystemColumn)});
    // The hostname takes the room the other columns leave: they are as wide as what they show,
    // so the system is never cut off in a narrow dialog.
    QHeaderView* header = list_->header();
    header->setStretchLastSection(false);
    for (int column = 0; column < list_->columnCount(); ++column)
        header->setSectionResizeMode(column, column == ColumnHost ? QHeaderView::Stretch
                                                                  : QHeaderView::ResizeToContents);
    list_->installEventFilter(this);

    add_ = new QPushButton(MsgText(MsgWizAdd), this);
    add_->setObjectName(QStringLiteral("ButtonAccFormAdd"));
    edit_ = new QPushButton(MsgText(MsgEdEditHost), this);
    edit_->setObjectName(QStringLiteral("ButtonAccFormEdit"));
    delete_ = new QPushButton(MsgText(MsgEdDeleteHost), this);
    delete_->setObjectName(QStringLiteral("ButtonAccFormDelete"));

    menu_ = new QMenu(this);
    menu_->setObjectName(QStringLiteral("PopupMenuHost"));
    QAction* all = menu_->addAction(MsgText(MsgEdSelectAll));
    all->setObjectName(QStringLiteral("MenuSelectAll"));
    QAction* none = menu_->addAction(MsgText(MsgEdUnselectAll));
    none->setObjectName(QStringLiteral("MenuUnselectAll"));
    connect(all, &QAction::triggered, this, [this] { SetAllChecked(true); });
    connect(none, &QAction::triggered, this, [this] { SetAllChecked(false); });
    connect(list_, &QWidget::customContextMenuRequested, this,
            [this](const QPoint& at) { menu_->popup(list_->viewport()->mapToGlobal(at)); });

    buttons_ = new QVBoxLayout;
    buttons_->addWidget(add_);
    buttons_->addWidget(edit_);
    buttons_->addWidget(delete_);
    buttons_->addStretch(1);
    auto* layout = new QHBoxLayout(this);
    layout->setContentsMargins(0, 0, 0, 0);
    layout->addWidget(list_, 1);
    layout->addLayout(buttons_);

    connect(add_, &QPushButton::clicked, this, &THostListPanel::AddHost);
    connect(edit_, &QPushButton::clicked, this, &THostListPanel::EditHost);
    connect(delete_, &QPushButton::clicked, this, &THostListPanel::DeleteHosts);
    connect(list_, &QTreeWidget::itemDoubleClicked, this, [this] { EditHost(); });
    connect(list_, &QTreeWidget::itemSelectionChanged, this, &THostListPanel::UpdateButtons);
    connect(list_, &QTreeWidget::itemChanged, this, [this](QTreeWidgetItem*, int column) {
        if (!filling_ && column == ColumnHost)
            emit Changed();
    });
    UpdateButtons();
    UpdateHint();
}

void THostListPanel::AddButton(QPushButton* button) {
    buttons_->insertWidget(buttons_->count() - 1, button);
}

std::vector<THostRow> THostListPanel::Rows() const {
    std::vector<THostRow> rows;
    for (int i = 0; i < list_->topLevelItemCount(); ++i) {
        const QTreeWidgetItem* item = list_->topLevelItem(i);
        THostRow row;
        row.Host = item->text(ColumnHost).toStdString();
        row.System = item->text(ColumnSystem).toStdString();
        row.Result = item->data(ColumnHost, Qt::UserRole).toString().toStdString();
        row.Checked = item->checkState(ColumnHost) == Qt::Checked;
        rows.push_back(row);
    }
    return rows;
}

QTreeWidgetItem* THostListPanel::NewItem(const THostRow& row) {
    auto* item = new QTreeWidgetItem;
    item->setFlags(Qt::ItemIsEnabled | Qt::ItemIsSelectable | Qt::ItemIsUserCheckable);
    item->setText(ColumnHost, Q(row.Host));
    item->setText(ColumnSystem, Q(row.System));
    // The result stays with the entry even where the column is not shown.
    item->setData(ColumnHost, Qt::UserRole, Q(row.Result));
    if (list_->columnCount() > ColumnResult)
        item->setText(ColumnResult, Q(row.Result));
    item->setCheckState(ColumnHost, row.Checked ? Qt::Checked : Qt::Unchecked);
    return item;
}

void THostListPanel::SetRows(const std::vector<THostRow>& rows) {
    filling_ = true;
    list_->clear();
    for (const THostRow& row : rows)
        list_->addTopLevelItem(NewItem(row));
    filling_ = false;
    UpdateButtons();
    UpdateHint();
}

bool THostListPanel::AskHost(QString& host, int& system) {
    if (HostPrompt)
        return HostPrompt(this, host, system);
    TFormHostName form(this);
    form.SetHost(host, system);
    if (form.exec() != QDialog::Accepted)
        return false;
    host = form.Host();
    system = form.System();
    return true;
}

void THostListPanel::AddHost() {
    if (CheckedCount(Rows()) >= MaxHostsPerGroup) {
        TPrompt::Warning(this, Q(TooManyHostsMessage()));
        return;
    }
    QString host;
    int system = SystemHostaq;
    if (!AskHost(host, system))
        return;
    host = host.trimmed();
    if (host.isEmpty())
        return;
    // The same letters in the same case are the same host: nothing is added.
    for (int i = 0; i < list_->topLevelItemCount(); ++i)
        if (list_->topLevelItem(i)->text(ColumnHost) == host)
            return;
    THostRow row;
    row.Host = host.toStdString();
    row.System = SystemName(system);
    filling_ = true;
    QTreeWidgetItem* item = NewItem(row);
    list_->addTopLevelItem(item);
    filling_ = false;
    list_->clearSelection();
    item->setSelected(true);
    list_->setCurrentItem(item);
    UpdateHint();
    emit Changed();
}

void THostListPanel::EditHost() {
    QTreeWidgetItem* item = list_->currentItem();
    if (item == nullptr || !item->isSelected()) {
        const QList<QTreeWidgetItem*> selected = list_->selectedItems();
        if (selected.isEmpty())
            return;
        item = selected.front();
    }
    QString host = item->text(ColumnHost);
    int system = SystemIndex(item->text(ColumnSystem).toStdString());
    if (!AskHost(host, system))
        return;
    host = host.trimmed();
    if (host.isEmpty())
        return;
    for (int i = 0; i < list_->topLevelItemCount(); ++i)
        if (list_->topLevelItem(i) != item && list_->topLevelItem(i)->text(ColumnHost) == host)
            return;
    if (item->text(ColumnHost) == host && item->text(ColumnSystem) == QLatin1String(SystemName(system)))
        return;
    filling_ = true;
    item->setText(ColumnHost, host);
    item->setText(ColumnSystem, QString::fromLatin1(SystemName(system)));
    filling_ = false;
    emit Changed();
}

void THostListPanel::DeleteHosts() {
    const QList<QTreeWidgetItem*> selected = list_->selectedItems();
    if (selected.isEmpty())
        return;
    TPrompt::Beep();
    const QString question =
        selected.size() > 1
            ? Q(Msg(MsgDeleteSelectedHosts))
            : Q(FormatMsg(MsgDeleteHost, {"\r", selected.front()->text(ColumnHost).toStdString()}));
    if (!TPrompt::YesNo(this, question))
        return;
    for (QTreeWidgetItem* item : selected)
        delete item;
    UpdateButtons();
    UpdateHint();
    emit Changed();
}

void THostListPanel::SetAllChecked(bool checked) {
    bool changed = false;
    filling_ = true;
    for (int i = 0; i < list_->topLevelItemCount(); ++i) {
        QTreeWidgetItem* item = list_->topLevelItem(i);
        const Qt::CheckState state = checked ? Qt::Checked : Qt::Unchecked;
        if (item->checkState(ColumnHost) != state) {
            item->setCheckState(ColumnHost, state);
            changed = true;
        }
    }
    filling_ = false;
    if (changed)
        emit Changed();
}

void THostListPanel::SetBusy(bool busy) {
    busy_ = busy;
    list_->setEnabled(!busy);
    add_->setEnabled(!busy);
    UpdateButtons();
}

void THostListPanel::UpdateButtons() {
    const bool selected = !busy_ && !list_->selectedItems().isEmpty();
    edit_->setEnabled(selected);
    delete_->setEnabled(selected);
}

void THostListPanel::UpdateHint() {
    const int count = list_->topLevelItemCount();
    list_->setToolTip(count == 0 ? QString()
                                 : MsgText(MsgEdRightClick) + QLatin1Char('\n') +
                                       Q(FormatMsg(MsgTotalHosts, {std::to_string(count)})));
}

bool THostListPanel::eventFilter(QObject* watched, QEvent* event) {
    if (watched == list_ && event->type() == QEvent::KeyPress &&
        static_cast<QKeyEvent*>(event)->key() == Qt::Key_Delete) {
        DeleteHosts();
        return true;
    }
    return QWidget::eventFilter(watched, event);
}

} // namespace hostaq
