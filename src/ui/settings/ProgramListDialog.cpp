#include "ui/settings/ProgramListDialog.h"

#include "config/ConfigKeys.h"
#include "config/ConfigPath.h"
#include "ui/common/ModalDialog.h"
#include "ui/settings/SettingsLogic.h"
#include "ui/settings/SettingsMessages.h"
#include "ui/settings/SettingsUi.h"

#include <QAction>
#include <QCheckBox>
#include <QComboBox>
#include <QDialogButtonBox>
#include <QDragEnterEvent>
#include <QDropEvent>
#include <QFileInfo>
#include <QFormLayout>
#include <QGridLayout>
#include <QHBoxLayout>
#include <QLabel>
#include <QMimeData>
#include <QPushButton>
#include <QStyle>
#include <QVBoxLayout>

namespace hostaq {

namespace {
constexpr const char* ProgramHistory = "RunProgList";
constexpr int MaxDelay = 300;
constexpr int OnlyWhenChangedRole = Qt::UserRole + 1;

QPushButton* AddButton(QDialogButtonBox* box, int caption, const char* name,
                       QDialogButtonBox::ButtonRole role) {
    QPushButton* b = box->addButton(Caption(caption), role);
    b->setObjectName(QLatin1String(name));
    return b;
}
} // namespace

int MovedPosition(int index, int count, TProgramMove move) {
    if (index < 0 || index >= count)
        return index;
    switch (move) {
    case TProgramMove::Up:
        return index > 0 ? index - 1 : 0;
    case TProgramMove::Down:
        return index + 1 < count ? index + 1 : index;
    case TProgramMove::Top:
        return 0;
    case TProgramMove::Bottom:
        return count - 1;
    }
    return index;
}

// ---- the list widget --------------------------------------------------------------------------

TProgramListWidget::TProgramListWidget(QWidget* parent) : QListWidget(parent) {
    setAcceptDrops(true);
    setDragDropMode(QAbstractItemView::DropOnly);
    setDropIndicatorShown(false);
}

void TProgramListWidget::dragEnterEvent(QDragEnterEvent* event) {
    if (event->mimeData()->hasUrls())
        event->acceptProposedAction();
}

void TProgramListWidget::dragMoveEvent(QDragMoveEvent* event) {
    if (event->mimeData()->hasUrls())
        event->acceptProposedAction();
}

void TProgramListWidget::dropEvent(QDropEvent* event) {
    QStringList files;
    for (const QUrl& url : event->mimeData()->urls())
        if (url.isLocalFile())
            files << url.toLocalFile();
    if (!files.isEmpty())
        emit FilesDropped(files);
    event->acceptProposedAction();
}

// ---- the editor -------------------------------------------------------------------------------

TFormProgramList::TFormProgramList(QWidget* parent, bool runList) : QDialog(parent), runList_(runList) {
    setObjectName(runList ? QStringLiteral("TFormProgramListRun")
                          : QStringLiteral("TFormProgramListDisconnect"));
    setWindowTitle(Caption(MsgProgramListTitle) + QStringLiteral(" - ") +
                   Caption(runList ? MsgRunPrograms : MsgDiscRunPrograms));

    list_ = new TProgramListWidget(this);
    list_->setObjectName(QStringLiteral("ListPrograms"));
    list_->setContextMenuPolicy(Qt::ActionsContextMenu);
    list_->setMinimumSize(420, 180);
    // The order is changed with the buttons beside the list or from its context menu.
    const struct {
        int Caption;
        const char* Name;
        TProgramMove Move;
    } moves[] = {{MsgUp, "ActionUp", TProgramMove::Up},
                 {MsgDown, "ActionDown", TProgramMove::Down},
                 {MsgTop, "ActionTop", TProgramMove::Top},
                 {MsgBottom, "ActionBottom", TProgramMove::Bottom}};
    QList<QPushButton*> moveButtons;
    for (const auto& m : moves) {
        auto* action = new QAction(Caption(m.Caption), list_);
        action->setObjectName(QLatin1String(m.Name));
        const TProgramMove move = m.Move;
        connect(action, &QAction::triggered, this, [this, move] { Move(move); });
        list_->addAction(action);
        auto* button = new QPushButton(Caption(m.Caption), this);
        button->setObjectName(QStringLiteral("Button") + QLatin1String(m.Name).mid(6));
        connect(button, &QPushButton::clicked, action, &QAction::trigger);
        moveButtons << button;
    }

    auto* add = new QPushButton(Caption(MsgAddEntry), this);
    add->setObjectName(QStringLiteral("ButtonAdd"));
    auto* remove = new QPushButton(Caption(MsgRemove), this);
    remove->setObjectName(QStringLiteral("ButtonRemove"));
    auto* setting = new QPushButton(Caption(MsgSetting), this);
    setting->setObjectName(QStringLiteral("ButtonSetting"));

    delay_ = new QComboBox(this);
    delay_->setObjectName(QStringLiteral("ComboDelay"));
    for (int i = 0; i <= MaxDelay; ++i)
        delay_->addItem(QString::number(i));
    const TConfigKey& delayKey = runList ? Keys::Delay : Keys::DisconnectDelay;
    delay_->setCurrentIndex(std::clamp(ReadInteger(delayKey), 0, MaxDelay));

    for (const TProgramEntry& e :
         ReadProgramList(ConfigPath(), runList ? RunSection : DisconnectRunSection, runList))
        AddEntry(e);
    if (list_->count() > 0)
        list_->setCurrentRow(0);

    auto* side = new QVBoxLayout;
    side->addWidget(add);
    side->addWidget(remove);
    side->addWidget(setting);
    side->addSpacing(12);
    for (QPushButton* button : moveButtons)
        side->addWidget(button);
    side->addStretch(1);
    auto* top = new QHBoxLayout;
    top->addWidget(list_, 1);
    top->addLayout(side);
    auto* delayRow = new QHBoxLayout;
    delayRow->addWidget(new QLabel(Caption(MsgDelayBetweenPrograms), this));
    delayRow->addWidget(delay_);
    delayRow->addWidget(new QLabel(Caption(MsgSecondsUnit), this));
    delayRow->addStretch(1);

    auto* buttons = new QDialogButtonBox(this);
    AddButton(buttons, MsgOK, "ButtonOK", QDialogButtonBox::AcceptRole);
    AddButton(buttons, MsgCancel, "ButtonCancel", QDialogButtonBox::RejectRole);
    connect(buttons, &QDialogButtonBox::accepted, this, &TFormProgramList::accept);
    connect(buttons, &QDialogButtonBox::rejected, this, &TFormProgramList::reject);
    connect(add, &QPushButton::clicked, this, &TFormProgramList::AddProgram);
    connect(remove, &QPushButton::clicked, this, &TFormProgramList::RemoveProgram);
    connect(setting, &QPushButton::clicked, this, &TFormProgramList::EditProgram);
    connect(list_, &QListWidget::itemDoubleClicked, this, &TFormProgramList::EditProgram);
    connect(list_, &TProgramListWidget::FilesDropped, this, &TFormProgramList::AddFiles);

    auto* layout = new QVBoxLayout(this);
    layout->addLayout(top, 1);
    layout->addLayout(delayRow);
    layout->addWidget(buttons);
}

void TFormProgramList::ShowEntry(QListWidgetItem* item, const TProgramEntry& entry) {
    item->setText(QText(entry.CommandLine));
    item->setFlags(item->flags() | Qt::ItemIsUserCheckable);
    item->setCheckState(entry.Enabled ? Qt::Checked : Qt::Unchecked);
    const bool mark = runList_ && entry.OnlyWhenIPChanges;
    item->setData(OnlyWhenChangedRole, mark);
    item->setIcon(mark ? style()->standardIcon(QStyle::SP_BrowserReload) : QIcon());
    item->setToolTip(mark ? Caption(MsgOnlyWhenIPChanges) : QString());
}

void TFormProgramList::AddEntry(const TProgramEntry& entry) {
    auto* item = new QListWidgetItem(list_);
    ShowEntry(item, entry);
}

TProgramEntry TFormProgramList::EntryOf(const QListWidgetItem* item) const {
    TProgramEntry e;
    e.CommandLine = StdText(item->text());
    e.Enabled = item->checkState() == Qt::Checked;
    e.OnlyWhenIPChanges = runList_ && item->data(OnlyWhenChangedRole).toBool();
    return e;
}

std::vector<TProgramEntry> TFormProgramList::Entries() const {
    std::vector<TProgramEntry> entries;
    for (int i = 0; i < list_->count(); ++i)
        entries.push_back(EntryOf(list_->item(i)));
    return entries;
}

int TFormProgramList::Delay() const {
    return delay_->currentIndex();
}

void TFormProgramList::AddProgram() {
    TProgramEntry entry;
    TFormProgramItem dialog(this, runList_, entry);
    if (!dialog.Execute(entry))
        return;
    AddEntry(entry);
    list_->setCurrentRow(list_->count() - 1);
}

void TFormProgramList::RemoveProgram() {
    const int row = list_->currentRow();
    if (row < 0)
        return;
    delete list_->takeItem(row);
    if (list_->count() > 0)
        list_->setCurrentRow(std::min(row, list_->count() - 1));
}

void TFormProgramList::EditProgram() {
    QListWidgetItem* item = list_->currentItem();
    if (!item)
        return;
    TProgramEntry entry = EntryOf(item);
    TFormProgramItem dialog(this, runList_, entry);
    if (dialog.Execute(entry))
        ShowEntry(item, entry);
}

void TFormProgramList::Move(TProgramMove move) {
    const int row = list_->currentRow();
    const int to = MovedPosition(row, list_->count(), move);
    if (row < 0 || to == row)
        return;
    QListWidgetItem* item = list_->takeItem(row);
    list_->insertItem(to, item);
    list_->setCurrentRow(to);
}

void TFormProgramList::AddFiles(const QStringList& files) {
    for (const QString& file : files) {
        TProgramEntry entry;
        entry.CommandLine = StdText(file);
        AddEntry(entry);
    }
}

void TFormProgramList::accept() {
    const bool saved =
        SaveProgramList(ConfigPath(), runList_ ? RunSection : DisconnectRunSection, runList_, Entries(),
                        runList_ ? Keys::Delay.Key : Keys::DisconnectDelay.Key, Delay());
    if (saved)
        QDialog::accept();
}

bool TFormProgramList::Execute() {
    return ExecModal(*this) == QDialog::Accepted;
}

// ---- one program ------------------------------------------------------------------------------

TFormProgramItem::TFormProgramItem(QWidget* parent, bool runList, const TProgramEntry& entry)
    : QDialog(parent) {
    setObjectName(QStringLiteral("TFormProgramItem"));
    setWindowTitle(Caption(MsgProgramItemTitle));

    program_ = new QComboBox(this);
    program_->setObjectName(QStringLiteral("ComboProgram"));
    program_->setEditable(true);
    program_->setMinimumContentsLength(40);
    for (const std::string& h : LoadHistory(ProgramHistory))
        program_->addItem(QText(h));
    program_->setEditText(QText(entry.CommandLine));
    auto* browse = new QPushButton(Caption(MsgBrowse), this);
    browse->setObjectName(QStringLiteral("ButtonBrowse"));
    enabled_ = new QCheckBox(Caption(MsgProgramEnabled), this);
    enabled_->setObjectName(QStringLiteral("CheckBoxEnabled"));
    enabled_->setChecked(entry.Enabled);
    onlyWhenChanged_ = new QCheckBox(Caption(MsgOnlyWhenIPChanges), this);
    onlyWhenChanged_->setObjectName(QStringLiteral("CheckBoxOnlyWhenIPChanges"));
    onlyWhenChanged_->setChecked(runList && entry.OnlyWhenIPChanges);
    onlyWhenChanged_->setVisible(runList);
    onlyWhenChanged_->setEnabled(entry.Enabled);
    connect(enabled_, &QCheckBox::toggled, onlyWhenChanged_, &QCheckBox::setEnabled);

    auto* row = new QHBoxLayout;
    row->addWidget(new QLabel(Caption(MsgProgram), this));
    row->addWidget(program_, 1);
    row->addWidget(browse);

    auto* buttons = new QDialogButtonBox(this);
    AddButton(buttons, MsgOK, "ButtonOK", QDialogButtonBox::AcceptRole);
    AddButton(buttons, MsgCancel, "ButtonCancel", QDialogButtonBox::RejectRole);
    connect(buttons, &QDialogButtonBox::accepted, this, &TFormProgramItem::accept);
    connect(buttons, &QDialogButtonBox::rejected, this, &TFormProgramItem::reject);
    connect(browse, &QPushButton::clicked, this, &TFormProgramItem::Browse);

    auto* layout = new QVBoxLayout(this);
    layout->addLayout(row);
    layout->addWidget(enabled_);
    if (runList)
        layout->addWidget(onlyWhenChanged_);
    layout->addWidget(buttons);
}

TProgramEntry TFormProgramItem::Entry() const {
    TProgramEntry e;
    e.CommandLine = StdText(program_->currentText().trimmed());
    e.Enabled = enabled_->isChecked();
    e.OnlyWhenIPChanges = !onlyWhenChanged_->isHidden() && onlyWhenChanged_->isChecked();
    return e;
}

void TFormProgramItem::Browse() {
    const QString file = AskOpenFileName(this, Caption(MsgProgram), program_->currentText().trimmed(),
                                         QStringLiteral("All files (*)"));
    if (!file.isEmpty())
        program_->setEditText(file);
}

void TFormProgramItem::accept() {
    const TProgramEntry e = Entry();
    if (e.CommandLine.empty()) {
        ShowFieldProblem(this, program_, Caption(MsgNeedProgram), false);
        return;
    }
    SaveHistory(ProgramHistory, PushHistory(LoadHistory(ProgramHistory), e.CommandLine));
    QDialog::accept();
}

bool TFormProgramItem::Execute(TProgramEntry& entry) {
    if (ExecModal(*this) != QDialog::Accepted)
        return false;
    entry = Entry();
    return true;
}

} // namespace hostaq
