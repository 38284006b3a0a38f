#include "app/AppController.h"

#include "platform/Log.h"
#include "platform/StandardStreams.h"

#include <QFileInfo>
#include <QFileDialog>

namespace ratelark {

QString AppController::logPath() { return services_.paths.consoleLog; }

void AppController::redirectConsoleLogToDocumentFolder() {
    const QString path = logPath();
    const QString failure = redirectStandardStreams(path, services_.paths.redirectStandardOutput);
    // Without a log file the program goes on, logging to the terminal instead.
    if (!failure.isEmpty()) nsLog(QStringLiteral("Console log %1 cannot be opened (%2); logging here").arg(path, failure));
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
