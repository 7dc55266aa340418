#pragma once

#include <QAbstractButton>
#include <QApplication>
#include <QDir>
#include <QGroupBox>
#include <QLabel>
#include <QMap>
#include <QMenu>
#include <QRegularExpression>
#include <QTabBar>
#include <QWidget>
#include <gtest/gtest.h>

namespace hostaq::test {

// The screenshot renderer: tests named Screenshots* open every window and page of the program.
// Each window is checked as a keyboard user meets it (no two controls share a mnemonic, no text
// names Windows) and, when HOSTAQ_SCREENSHOTS_DIR names a folder (scripts/screenshots.sh sets
// it), drawn to a PNG file there.
inline QString ScreenshotFolder() {
    return qEnvironmentVariable("HOSTAQ_SCREENSHOTS_DIR");
}

// The letter a single '&' marks (upper case); '&&' is an ampersand. Null when there is none.
inline QChar MnemonicOf(const QString& text) {
    for (qsizetype i = 0; i + 1 < text.size(); ++i) {
        if (text[i] != QLatin1Char('&'))
            continue;
        if (text[i + 1] == QLatin1Char('&')) {
            ++i;
            continue;
        }
        return text[i + 1].toUpper();
    }
    return {};
}

// Every text of the window a person sees now (hidden pages left out): what a mnemonic can be
// on, and where a word can be read.
struct TWindowTexts {
    QStringList WithMnemonic; // buttons, group boxes, tabs, labels with a buddy, menu items
    QStringList Other;        // labels without buddy, the caption
};

inline TWindowTexts WindowTexts(QWidget* window) {
    TWindowTexts texts;
    texts.Other << window->windowTitle();
    if (auto* menu = qobject_cast<QMenu*>(window)) {
        for (QAction* action : menu->actions())
            if (action->isVisible() && !action->isSeparator())
                texts.WithMnemonic << action->text();
        return texts;
    }
    for (QWidget* w : window->findChildren<QWidget*>()) {
        if (!w->isVisibleTo(window) || (w->isWindow() && w != window))
            continue;
        if (auto* button = qobject_cast<QAbstractButton*>(w)) {
            texts.WithMnemonic << button->text();
        } else if (auto* label = qobject_cast<QLabel*>(w)) {
            (label->buddy() ? texts.WithMnemonic : texts.Other) << label->text();
        } else if (auto* box = qobject_cast<QGroupBox*>(w)) {
            texts.WithMnemonic << box->title();
        } else if (auto* tabs = qobject_cast<QTabBar*>(w)) {
            for (int i = 0; i < tabs->count(); ++i)
                texts.WithMnemonic << tabs->tabText(i);
        }
    }
    return texts;
}

// The texts that share a mnemonic, one line per letter; empty when every letter is unique.
inline QStringList MnemonicClashes(const TWindowTexts& texts) {
    QMap<QChar, QStringList> byLetter;
    for (const QString& text : texts.WithMnemonic) {
        const QChar letter = MnemonicOf(text);
        if (!letter.isNull())
            byLetter[letter] << text;
    }
    QStringList clashes;
    for (auto it = byLetter.cbegin(); it != byLetter.cend(); ++it)
        if (it.value().size() > 1)
            clashes << QStringLiteral("Alt+%1: %2").arg(it.key(), it.value().join(QStringLiteral(", ")));
    return clashes;
}

// A Linux desktop has no Windows to start with or to shut down.
inline QStringList TextsNamingWindows(const TWindowTexts& texts) {
    static const QRegularExpression word(QStringLiteral("\\bWindows\\b"));
    QStringList found;
    for (const QStringList* list : {&texts.WithMnemonic, &texts.Other})
        for (const QString& text : *list)
            if (word.match(text).hasMatch())
                found << text;
    return found;
}

// Shows the widget, lets it lay itself out, checks its texts and saves it as NAME.png. A window
// that gives itself a size is shown at that size, as its user sees it.
inline void SaveScreenshot(QWidget* widget, const QString& name) {
    const bool sized = widget->testAttribute(Qt::WA_Resized);
    widget->show();
    if (!sized)
        widget->adjustSize();
    for (int i = 0; i < 3; ++i)
        QApplication::processEvents();
    const TWindowTexts texts = WindowTexts(widget);
    EXPECT_TRUE(MnemonicClashes(texts).isEmpty())
        << name.toStdString() << ": " << MnemonicClashes(texts).join(QStringLiteral("; ")).toStdString();
    EXPECT_TRUE(TextsNamingWindows(texts).isEmpty())
        << name.toStdString() << ": " << TextsNamingWindows(texts).join(QStringLiteral("; ")).toStdString();
    if (ScreenshotFolder().isEmpty())
        return;
    QDir().mkpath(ScreenshotFolder());
    const QString file = ScreenshotFolder() + QLatin1Char('/') + name + QStringLiteral(".png");
    EXPECT_TRUE(widget->grab().save(file)) << file.toStdString();
}

} // namespace hostaq::test
