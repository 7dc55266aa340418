#include "ui/settings/IconsPage.h"

#include "ui/settings/IconPickerDialog.h"
#include "ui/settings/SettingsMessages.h"
#include "ui/settings/SettingsUi.h"
#include "ui/tray/TrayIcons.h"

#include <QGridLayout>
#include <QLabel>
#include <QPushButton>
#include <QVBoxLayout>

namespace hostaq {

namespace {
struct TPictureInfo {
    int Caption;
    const char* Name;
};
constexpr TPictureInfo Pictures[SettingsIconCount] = {{MsgIconNormal, "Normal"},
                                                      {MsgWarning, "Warning"},
                                                      {MsgError, "Error"},
                                                      {MsgIconDisable, "Disable"},
                                                      {MsgIconDialer, "Dialer"}};
constexpr int PictureSize = 32;
} // namespace

TSettingsIconsPage::TSettingsIconsPage(QWidget* parent) : QWidget(parent) {
    setObjectName(QStringLiteral("TabSheetIcons"));
    auto* grid = new QGridLayout;
    for (int i = 0; i < SettingsIconCount; ++i) {
        auto* picture = new QLabel(this);
        picture->setObjectName(QStringLiteral("Image") + QLatin1String(Pictures[i].Name));
        picture->setFixedSize(PictureSize + 8, PictureSize + 8);
        picture->setAlignment(Qt::AlignCenter);
        picture->setFrameShape(QFrame::StyledPanel);
        pictures_[i] = picture;
        auto* change = new QPushButton(Caption(MsgChange), this);
        change->setObjectName(QStringLiteral("ButtonChange") + QLatin1String(Pictures[i].Name));
        connect(change, &QPushButton::clicked, this, [this, i] { Change(i); });
        grid->addWidget(picture, i, 0);
        grid->addWidget(new QLabel(Caption(Pictures[i].Caption), this), i, 1);
        grid->addWidget(change, i, 2);
    }
    grid->setColumnMinimumWidth(1, fontMetrics().horizontalAdvance(Caption(MsgIconDialer)) + 24);
    grid->setColumnStretch(3, 1);
    auto* layout = new QVBoxLayout(this);
    layout->addLayout(grid);
    layout->addStretch(1);
}

void TSettingsIconsPage::ShowPicture(int picture) {
    const TIconChoice& choice = icons_[picture];
    // The pictures are the tray states 0 to 4, shown as the tray would show them.
    const QIcon icon = ChosenIcon(QText(choice.File), choice.Index, picture);
    pictures_[picture]->setPixmap(icon.pixmap(PictureSize, PictureSize));
    pictures_[picture]->setToolTip(QStringLiteral("%1 [%2]").arg(QText(choice.File)).arg(choice.Index));
}

void TSettingsIconsPage::Load(const std::array<TIconChoice, SettingsIconCount>& icons) {
    icons_ = icons;
    for (int i = 0; i < SettingsIconCount; ++i)
        ShowPicture(i);
}

void TSettingsIconsPage::Store(std::array<TIconChoice, SettingsIconCount>& icons) const {
    icons = icons_;
}

void TSettingsIconsPage::Change(int picture) {
    TIconChoice& choice = icons_[picture];
    TFormIconPicker picker(this, choice.File, choice.Index);
    if (!picker.Execute(choice.File, choice.Index))
        return;
    ShowPicture(picture);
}

} // namespace hostaq
