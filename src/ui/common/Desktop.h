#pragma once

#include <QList>
#include <QString>
#include <QStringList>
#include <QUrl>
#include <string>
#include <vector>

class QWidget;

namespace hostaq {

// Web pages, files and help topics open with the desktop's default application (xdg-open). When
// that fails the user is told the address to open by hand. In test mode nothing is started: the
// addresses are recorded.
class TDesktop {
public:
    static bool OpenUrl(QWidget* parent, const QUrl& url);
    static bool OpenFile(QWidget* parent, const QString& path);
    // The folder of the help pages: help/hostaq beside the program, then the installed
    // share/hostaq/help/hostaq, then the source tree's (a build that was not installed).
    static QString HelpFolder();
    // Opens one help page ("offlinepage.html"); an empty topic opens the index page.
    static bool OpenHelpTopic(QWidget* parent, const QString& topic);

    // Starts a program with arguments, without a shell, detached and with the default signal
    // state (the program itself blocks its stop signals); a name without a folder is looked up
    // in PATH. False when it could not be started.
    static bool StartProgram(const std::string& program, const std::vector<std::string>& arguments);

    // ---- test seam
    static void SetTestMode(bool on);
    static QList<QUrl>& Opened();
    // Programs StartProgram was asked for: the program, then its arguments.
    static QList<QStringList>& Started();
};

} // namespace hostaq
