#include "ui/settings/IconPickerDialog.h"

#include "ui/common/ModalDialog.h"
#include "ui/settings/SettingsMessages.h"
#include "ui/settings/SettingsUi.h"
#include "ui/tray/TrayIcons.h"

#include <QDialogButtonBox>
#include <QHBoxLayout>
#include <QLabel>
#include <QLineEdit>
#include <QListWidget>
#include <QPushButton>
#include <QVBoxLayout>

namespace hostaq {

TFormIconPicker::TFormIconPicker(QWidget* parent, const std::string& file, int index) : QDialog(parent) {
    setObjectName(QStringLiteral("TFormIconPicker"));
    setWindowTitle(Caption(MsgIconPickerTitle));

    file_ = new QLineEdit(this);
    file_->setObjectName(QStringLiteral("EditIconFile"));
    file_->setReadOnly(true);
    file_->setPlaceholderText(Caption(MsgBuiltInIcons));
    auto* browse = new QPushButton(Caption(MsgBrowse), this);
    browse->setObjectName(QStringLiteral("ButtonBrowse"));
    auto* builtIn = new QPushButton(Caption(MsgBuiltInIcons), this);
    builtIn->setObjectName(QStringLiteral("ButtonBuiltIn"));

    icons_ = new QListWidget(this);
    icons_->setObjectName(QStringLiteral("ListIcons"));
    icons_->setViewMode(QListView::IconMode);
    icons_->setIconSize(QSize(32, 32));
    icons_->setGridSize(QSize(56, 56));
    icons_->setMovement(QListView::Static);
    icons_->setResizeMode(QListView::Adjust);
    icons_->setMinimumSize(440, 150);

    auto* row = new QHBoxLayout;
    row->addWidget(new QLabel(Caption(MsgIconFile), this));
    row->addWidget(file_, 1);
    row->addWidget(browse);
    row->addWidget(builtIn);

    auto* buttons = new QDialogButtonBox(this);
    QPushButton* ok = buttons->addButton(Caption(MsgOK), QDialogButtonBox::AcceptRole);
    ok->setObjectName(QStringLiteral("ButtonOK"));
    QPushButton* cancel = buttons->addButton(Caption(MsgCancel), QDialogButtonBox::RejectRole);
    cancel->setObjectName(QStringLiteral("ButtonCancel"));
    connect(buttons, &QDialogButtonBox::accepted, this, &TFormIconPicker::accept);
    connect(buttons, &QDialogButtonBox::rejected, this, &TFormIconPicker::reject);
    connect(browse, &QPushButton::clicked, this, &TFormIconPicker::Browse);
    connect(builtIn, &QPushButton::clicked, this, &TFormIconPicker::UseBuiltIn);
    connect(icons_, &QListWidget::itemDoubleClicked, this, &TFormIconPicker::accept);

    auto* layout = new QVBoxLayout(this);
    layout->addLayout(row);
    layout->addWidget(icons_, 1);
    layout->addWidget(buttons);
    ShowFile(QText(file), index);
}

void TFormIconPicker::ShowFile(const QString& file, int index) {
    file_->setText(file);
    file_->setToolTip(file);
    icons_->clear();
    const QList<QIcon> icons = IconsOfFile(file);
    for (int i = 0; i < icons.size(); ++i) {
        auto* item = new QListWidgetItem(icons[i], QString::number(i), icons_);
        item->setTextAlignment(Qt::AlignHCenter);
    }
    if (icons_->count() > 0)
        icons_->setCurrentRow(index >= 0 && index < icons_->count() ? index : 0);
}

void TFormIconPicker::Browse() {
    const QString file =
        AskOpenFileName(this, Caption(MsgIconPickerTitle), file_->text(),
                        QStringLiteral("Icons and images (*.ico *.png *.svg *.xpm *.bmp);;All files (*)"));
    if (!file.isEmpty())
        ShowFile(file, 0);
}

void TFormIconPicker::UseBuiltIn() {
    ShowFile(QString(), icons_->currentRow());
}

bool TFormIconPicker::Execute(std::string& file, int& index) {
    if (ExecModal(*this) != QDialog::Accepted || icons_->currentRow() < 0)
        return false;
    file = StdText(file_->text());
    index = icons_->currentRow();
    return true;
}

} // namespace hostaq
