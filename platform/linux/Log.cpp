#include "platform/Log.h"

#include <QCoreApplication>
#include <QDateTime>
#include <QFileInfo>

#include <sys/syscall.h>
#include <syslog.h>
#include <unistd.h>

namespace ratelark {

namespace {

QString programName() {
    const QString name = QCoreApplication::applicationName();
    return name.isEmpty() ? QStringLiteral("ratelark") : name;
}

void writeAll(const QByteArray& bytes) {
    const char* data = bytes.constData();
    qsizetype left = bytes.size();
    while (left > 0) {
        const ssize_t n = ::write(STDERR_FILENO, data, static_cast<size_t>(left));
        if (n <= 0) return;  // nowhere to log to: stay quiet rather than spin
        data += n;
        left -= n;
    }
}

}  // namespace

QString logLinePrefix() {
    return QStringLiteral("%1 %2[%3:%4]")
        .arg(QDateTime::currentDateTime().toString(QStringLiteral("yyyy-MM-dd HH:mm:ss.zzz")),
             programName())
        .arg(::getpid())
        .arg(static_cast<long>(::syscall(SYS_gettid)));
}

QString quotedForLog(const QString& value) {
    constexpr qsizetype kLongest = 80;
    QString quoted = QStringLiteral("\"");
    for (const QChar c : value.left(kLongest)) {
        if (c.category() == QChar::Other_Control)
            quoted += QStringLiteral("\\x%1").arg(c.unicode(), 2, 16, QLatin1Char('0'));
        else
            quoted += c;
    }
    return quoted + (value.size() > kLongest ? QStringLiteral("\"…") : QStringLiteral("\""));
}

void logToSystemLog(const QString& message) {
    ::openlog("ratelark", LOG_PID, LOG_USER);
    ::syslog(LOG_WARNING, "%s", message.toUtf8().constData());
    ::closelog();
}

void nsLog(const QString& message) {
    QByteArray line = (logLinePrefix() + QLatin1Char(' ') + message).toUtf8();
    if (!line.endsWith('\n')) line.append('\n');
    writeAll(line);
}

void installQtMessageHandler() {
    qInstallMessageHandler([](QtMsgType, const QMessageLogContext&, const QString& msg) { nsLog(msg); });
}

}  // namespace ratelark
