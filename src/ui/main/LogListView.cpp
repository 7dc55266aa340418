#include "ui/main/LogListView.h"

#include "log/Log.h"
#include "log/LogKind.h"

#include <QApplication>
#include <QPainter>
#include <QThread>

namespace hostaq {

namespace {
QColor PaletteColour(std::uint32_t value) {
    return QColor(static_cast<int>(value & 0xFF), static_cast<int>((value >> 8) & 0xFF),
                  static_cast<int>((value >> 16) & 0xFF));
}
constexpr int ColourCodeRole = Qt::UserRole + 1;
// The model the list reports to (one list, one follower); guarded by the logger's lock.
TLogListModel* activeModel = nullptr;
} // namespace

TLogListModel::TLogListModel(QObject* parent) : QAbstractListModel(parent) {
    TLogLock lock;
    items_ = LogList().Items();
    activeModel = this;
    LogList().SetOnChange([this](TLogListChange change) { OnChange(change); });
}

TLogListModel::~TLogListModel() {
    TLogLock lock;
    if (activeModel != this)
        return;
    activeModel = nullptr;
    LogList().SetOnChange({});
}

int TLogListModel::rowCount(const QModelIndex& parent) const {
    return parent.isValid() ? 0 : static_cast<int>(items_.size());
}

int TLogListModel::ColourCode(int row) const {
    return items_.at(static_cast<std::size_t>(row)).ColourCode;
}

QVariant TLogListModel::data(const QModelIndex& index, int role) const {
    if (!index.isValid() || index.row() >= rowCount())
        return {};
    const TLogItem& item = items_[static_cast<std::size_t>(index.row())];
    const TLogColours colours = LogColoursFor(item.ColourCode);
    switch (role) {
    case Qt::DisplayRole:
        return QString::fromStdString(item.Text);
    case Qt::BackgroundRole:
        return PaletteColour(colours.Background);
    case Qt::ForegroundRole:
        return PaletteColour(colours.Text);
    case ColourCodeRole:
        return item.ColourCode;
    default:
        return {};
    }
}

// Runs under the logger's lock.
void TLogListModel::OnChange(TLogListChange change) {
    if (QThread::currentThread() != thread()) {
        if (!resyncPending_.exchange(true))
            QMetaObject::invokeMethod(this, &TLogListModel::Resync, Qt::QueuedConnection);
        return;
    }
    if (resyncPending_) {
        // A copy is on its way; until it arrives, single steps could not be matched.
        return;
    }
    const auto& source = LogList().Items();
    switch (change) {
    case TLogListChange::Added:
        if (source.empty())
            return;
        beginInsertRows({}, rowCount(), rowCount());
        items_.push_back(source.back());
        endInsertRows();
        emit ItemAdded();
        return;
    case TLogListChange::RemovedFirst:
        if (items_.empty())
            return;
        beginRemoveRows({}, 0, 0);
        items_.pop_front();
        endRemoveRows();
        return;
    case TLogListChange::Cleared:
    case TLogListChange::Reloaded:
        beginResetModel();
        items_ = source;
        endResetModel();
        if (!items_.empty())
            emit ItemAdded();
        return;
    }
}

void TLogListModel::Resync() {
    std::deque<TLogItem> copy;
    {
        TLogLock lock;
        resyncPending_ = false;
        copy = LogList().Items();
    }
    beginResetModel();
    items_ = std::move(copy);
    endResetModel();
    if (!items_.empty())
        emit ItemAdded();
}

void TLogItemDelegate::paint(QPainter* painter, const QStyleOptionViewItem& option,
                             const QModelIndex& index) const {
    painter->save();
    painter->fillRect(option.rect, index.data(Qt::BackgroundRole).value<QColor>());
    painter->setPen(index.data(Qt::ForegroundRole).value<QColor>());
    painter->setFont(option.font);
    painter->drawText(option.rect, Qt::AlignLeft | Qt::AlignTop | Qt::TextSingleLine,
                      index.data(Qt::DisplayRole).toString());
    painter->restore();
}

QSize TLogItemDelegate::sizeHint(const QStyleOptionViewItem& option, const QModelIndex& index) const {
    const QFontMetrics fm(option.font);
    return {fm.horizontalAdvance(index.data(Qt::DisplayRole).toString()) + 4, fm.height()};
}

TLogListView::TLogListView(QWidget* parent) : QListView(parent), model_(new TLogListModel(this)) {
    setObjectName(QStringLiteral("ListBoxLog"));
    setModel(model_);
    setItemDelegate(new TLogItemDelegate(this));
    setSelectionMode(QAbstractItemView::SingleSelection);
    setEditTriggers(QAbstractItemView::NoEditTriggers);
    setHorizontalScrollBarPolicy(Qt::ScrollBarAsNeeded);
    setContextMenuPolicy(Qt::CustomContextMenu);
    connect(model_, &TLogListModel::ItemAdded, this, [this] {
        const QModelIndex last = model_->index(model_->rowCount() - 1);
        setCurrentIndex(last);
        scrollTo(last);
    });
    if (model_->rowCount() > 0)
        setCurrentIndex(model_->index(model_->rowCount() - 1));
}

} // namespace hostaq
