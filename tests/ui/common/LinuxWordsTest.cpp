// A Linux desktop has no Windows to start with or to shut down: the texts the program shows (the
// message table behind every window, the tray menu, the wizard and the log) and its help pages
// say it in Linux words. The windows themselves are checked as the screenshot renderer opens them.
#include "config/Messages.h"

#include <QDir>
#include <QFile>
#include <QRegularExpression>
#include <gtest/gtest.h>

namespace hostaq {
namespace {

const QRegularExpression WindowsWord(QStringLiteral("\\bWindows\\b"));

TEST(LinuxWordsTest, NoMessageAndNoHelpPageNamesWindows) {
    ResetMessages();
    for (int id = MsgFirst; id <= MsgLaterLast; ++id)
        EXPECT_FALSE(WindowsWord.match(QString::fromStdString(Msg(id))).hasMatch()) << id << " " << Msg(id);
    EXPECT_EQ(Msg(10161), "Start when I log in");
    EXPECT_EQ(Msg(10314), "Logging off the session");
    EXPECT_EQ(Msg(10315), "Restarting the computer");
    EXPECT_EQ(Msg(10316), "Shutting down the computer");

    const QDir help(QStringLiteral(HOSTAQ_SOURCE_DIR_FALLBACK "/help/hostaq"));
    const QStringList pages = help.entryList({QStringLiteral("*.html")});
    ASSERT_FALSE(pages.isEmpty()) << help.path().toStdString();
    for (const QString& page : pages) {
        QFile file(help.filePath(page));
        ASSERT_TRUE(file.open(QIODevice::ReadOnly));
        const QString text = QString::fromUtf8(file.readAll());
        const QRegularExpressionMatch match = WindowsWord.match(text);
        EXPECT_FALSE(match.hasMatch())
            << page.toStdString() << ": "
            << text.mid(std::max<qsizetype>(0, match.capturedStart() - 40), 80).toStdString();
    }
}

} // namespace
} // namespace hostaq
