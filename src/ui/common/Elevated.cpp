#include "ui/common/Elevated.h"

#include "net/ChildProcess.h"

#include <QObject>
#include <QProcess>
#include <QStandardPaths>

namespace hostaq {

void RunWithPkexec(const QStringList& arguments, TElevatedDone done) {
    if (QStandardPaths::findExecutable(QStringLiteral("pkexec")).isEmpty()) {
        done(-1, {});
        return;
    }
    auto* process = new QProcess;
    process->setProcessChannelMode(QProcess::MergedChannels);
    // pkexec begins as every program the system starts: the default signal mask and
    // dispositions (the window's thread blocks the stop signals) and only its standard
    // descriptors.
    process->setChildProcessModifier([] { ResetChildState(); });
    QObject::connect(process, &QProcess::finished, process,
                     [process, done](int code, QProcess::ExitStatus status) {
                         done(status == QProcess::NormalExit ? code : -1,
                              QString::fromLocal8Bit(process->readAll()).trimmed());
                         process->deleteLater();
                     });
    QObject::connect(process, &QProcess::errorOccurred, process,
                     [process, done](QProcess::ProcessError error) {
                         if (error != QProcess::FailedToStart)
                             return;
                         done(-1, {});
                         process->deleteLater();
                     });
    process->start(QStringLiteral("pkexec"), arguments);
}

} // namespace hostaq
