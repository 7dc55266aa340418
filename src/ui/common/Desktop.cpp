#include "ui/common/Desktop.h"

#include "config/ConfigPath.h"
#include "ui/common/Prompt.h"

#include <QDesktopServices>
#include <QDir>
#include <QFileInfo>

namespace hostaq {

namespace {
struct TDesktopState {
    bool TestMode = false;
    QList<QUrl> Opened;
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
    if (QDesktopServices::openUrl(url))
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

void TDesktop::SetTestMode(bool on) {
    State().TestMode = on;
}
QList<QUrl>& TDesktop::Opened() {
    return State().Opened;
}

} // namespace hostaq
