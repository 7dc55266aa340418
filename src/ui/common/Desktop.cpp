#include "ui/common/Desktop.h"

#include "config/ConfigPath.h"
#include "engine/ProgramLauncher.h"
#include "ui/common/Prompt.h"

#include <QDesktopServices>
#include <QDir>
#include <QFileInfo>
#include <algorithm>
#include <cstdlib>
#include <unistd.h>

namespace hostaq {

namespace {
struct TDesktopState {
    bool TestMode = false;
    QList<QUrl> Opened;
    QList<QStringList> Started;
};

TDesktopState& State() {
    static TDesktopState state;
    return state;
}
} // namespace

bool TDesktop::OpenUrl(QWidget* parent, const QUrl& url) {
    if (State().TestMode) {
        State().Opened.push_back(url);
        return true;
    }
    // xdg-open is started as every other program is, so it does not inherit the blocked stop
    // signals; Qt's own opener is the fallback where xdg-open is missing.
    const std::string target =
        url.isLocalFile() ? url.toLocalFile().toStdString() : url.toString().toStdString();
    if (StartProgram("xdg-open", {target}) || QDesktopServices::openUrl(url))
        return true;
    TPrompt::Warning(parent, QStringLiteral("No program could be started to open %1.")
                                 .arg(url.isLocalFile() ? url.toLocalFile() : url.toString()));
    return false;
}

bool TDesktop::OpenFile(QWidget* parent, const QString& path) {
    return OpenUrl(parent, QUrl::fromLocalFile(QFileInfo(path).absoluteFilePath()));
}

QString TDesktop::HelpFolder() {
    const QString programFolder = QFileInfo(QString::fromStdString(ProgramPath())).absolutePath();
    const QStringList candidates{
        programFolder + QStringLiteral("/help/hostaq"),
        programFolder + QStringLiteral("/../share/hostaq/help/hostaq"),
#ifdef HOSTAQ_SOURCE_HELP
        QStringLiteral(HOSTAQ_SOURCE_HELP),
#endif
    };
    for (const QString& folder : candidates)
        if (QFileInfo(folder + QStringLiteral("/index.html")).isFile())
            return QDir::cleanPath(folder);
    return QDir::cleanPath(candidates.front());
}

bool TDesktop::OpenHelpTopic(QWidget* parent, const QString& topic) {
    const QString page = topic.isEmpty() ? QStringLiteral("index.html") : topic;
    return OpenFile(parent, HelpFolder() + QLatin1Char('/') + page);
}

bool TDesktop::StartProgram(const std::string& program, const std::vector<std::string>& arguments) {
    if (State().TestMode) {
        QStringList command{QString::fromStdString(program)};
        for (const std::string& a : arguments)
            command << QString::fromStdString(a);
        State().Started.push_back(command);
        return true;
    }
    std::string path = program;
    if (program.find('/') == std::string::npos) {
        path.clear();
        const char* env = std::getenv("PATH");
        const std::string dirs = env ? env : "/usr/local/bin:/usr/bin:/bin";
        std::size_t start = 0;
        while (path.empty() && start <= dirs.size()) {
            const std::size_t end = std::min(dirs.find(':', start), dirs.size());
            const std::string candidate =
                (end > start ? dirs.substr(start, end - start) : ".") + "/" + program;
            if (::access(candidate.c_str(), X_OK) == 0)
                path = candidate;
            start = end + 1;
        }
    }
    if (path.empty() || ::access(path.c_str(), X_OK) != 0)
        return false;
    return TForkExecLauncher::Spawn(path, arguments) > 0;
}

void TDesktop::SetTestMode(bool on) {
    State().TestMode = on;
}
QList<QUrl>& TDesktop::Opened() {
    return State().Opened;
}
QList<QStringList>& TDesktop::Started() {
    return State().Started;
}

} // namespace hostaq
