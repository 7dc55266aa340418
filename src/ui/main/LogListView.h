#pragma once

#include "log/ListBoxLog.h"

#include <QAbstractListModel>
#include <QListView>
#include <QStyledItemDelegate>
#include <atomic>
#include <deque>

namespace hostaq {

// The rows of the process-wide log list (LogList()) for a view. It keeps its own copy of the
// items: changes made on the main thread arrive one by one, changes made by another thread ask
// for a full copy on the main thread.
class TLogListModel : public QAbstractListModel {
    Q_OBJECT
public:
    explicit TLogListModel(QObject* parent = nullptr);
    ~TLogListModel() override;

    int rowCount(const QModelIndex& parent = {}) const override;
    QVariant data(const QModelIndex& index, int role) const override;
    int ColourCode(int row) const;

    // Copies the whole list again.
    void Resync();

signals:
    // An entry was appended (it becomes the selected item).
    void ItemAdded();

private:
    void OnChange(TLogListChange change);

    std::deque<TLogItem> items_;
    std::atomic<bool> resyncPending_{false};
};

// Draws an item as the list does: its background colour filled, the text at the top left in the
// text colour; selection changes nothing.
class TLogItemDelegate : public QStyledItemDelegate {
    Q_OBJECT
public:
    using QStyledItemDelegate::QStyledItemDelegate;
    void paint(QPainter* painter, const QStyleOptionViewItem& option,
               const QModelIndex& index) const override;
    QSize sizeHint(const QStyleOptionViewItem& option, const QModelIndex& index) const override;
};

// The on-screen log list ("ListBoxLog"): one line per entry, newest at the bottom and selected,
// scrolled sideways as far as the widest entry.
class TLogListView : public QListView {
    Q_OBJECT
public:
    explicit TLogListView(QWidget* parent = nullptr);
    TLogListModel* Model() const { return model_; }

private:
    TLogListModel* model_;
};

} // namespace hostaq
