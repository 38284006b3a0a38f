#include "app/AppController.h"

#include "platform/Log.h"
#include "platform/StandardStreams.h"

#include <QFileDialog>
#include <QFileInfo>

namespace ratelark {

namespace {

// A log shared by instances is never emptied while it is small: another
// instance may still be writing to it. Past this size the next start begins
// it afresh, so that it cannot grow without end.
constexpr qint64 kSharedLogLimit = 1 << 20;

}  // namespace

QString AppController::logPath() { return services_.paths.consoleLog; }

void AppController::redirectConsoleLogToDocumentFolder() {
    const QString path = logPath();
    const PlatformPaths& paths = services_.paths;
    const bool truncate = paths.truncateLog || QFileInfo(path).size() > kSharedLogLimit;
    const QString failure = redirectStandardStreams(path, paths.redirectStandardOutput, truncate);
    if (failure.isEmpty()) return;
    const QString problem = QStringLiteral("Console log %1 cannot be opened (%2)").arg(path, failure);
    // Without a log file the program goes on: logging to the terminal, or
    // where standard error is shown as the bar's text, nowhere.
    if (!paths.quietWithoutLog) {
        nsLog(problem + QStringLiteral("; logging here"));
        return;
    }
    logToSystemLog(problem + QStringLiteral("; not logging"));
    redirectStandardStreams(QStringLiteral("/dev/null"), false, false);
}

// Opens at the folder that holds the log, the one folder this confirmation
// can be about; the answer changes nothing.
void AppController::avoidConsoleFlush(QObject*) {
    QFileDialog panel;
    panel.setDirectory(QFileInfo(logPath()).absolutePath());
    panel.setFileMode(QFileDialog::Directory);
    panel.setOption(QFileDialog::ShowDirsOnly, true);
    panel.setWindowTitle(QStringLiteral("Click Open to Avoid Console Flush with Warnings"));
    panel.exec();
}

}  // namespace ratelark
