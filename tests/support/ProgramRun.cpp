#include "tests/support/ProgramRun.h"

#include "tests/support/Harness.h"

#include <QDir>
#include <QFile>

#include <algorithm>

namespace ratelark::testing {

ProgramRun::ProgramRun(const QByteArray& settings, const std::vector<Sample>& samples) {
    QDir().mkpath(dir_.filePath(QStringLiteral("config/ratelark")));
    writeFile(dir_.filePath(QStringLiteral("config/ratelark/ratelark.conf")), "[General]\n" + settings);

    // Columns as netstat prints them: packets, errors, bytes in; packets, errors, bytes out; collisions.
    QString script;
    for (const Sample& s : samples)
        script += QStringLiteral("echo '   %1     0   %2   %3     0   %4     0'; sleep 0.3\n")
                      .arg(s.in / 1000 + 1).arg(s.in).arg(s.out / 1000 + 1).arg(s.out);
    script += QStringLiteral("exec sleep 1000\n");
    const QString sampler = writeBashScript(dir_.filePath(QStringLiteral("sampler")), script.toUtf8());

    environment_ = QProcessEnvironment::systemEnvironment();
    environment_.insert(QStringLiteral("RATELARK_NETSTAT"), sampler);
    environment_.insert(QStringLiteral("XDG_CONFIG_HOME"), dir_.filePath(QStringLiteral("config")));
    environment_.insert(QStringLiteral("XDG_CACHE_HOME"), dir_.filePath(QStringLiteral("cache")));
    environment_.insert(QStringLiteral("XDG_RUNTIME_DIR"), dir_.path());
    environment_.insert(QStringLiteral("RATELARK_APPEARANCE"), QStringLiteral("light"));
    environment_.remove(QStringLiteral("QT_QPA_PLATFORM"));
}

ProgramRun::~ProgramRun() {
    process_.kill();
    process_.waitForFinished();
}

void ProgramRun::start(const QStringList& arguments, const QString& program) {
    process_.setProcessEnvironment(environment_);
    process_.start(program, arguments);
}

QList<QByteArray> ProgramRun::lines(qsizetype n) {
    waitUntil(
        [&] {
            output_ += process_.readAllStandardOutput();
            return output_.count('\n') >= n || process_.state() == QProcess::NotRunning;
        },
        30000);
    output_ += process_.readAllStandardOutput();
    QList<QByteArray> result = output_.split('\n');
    result.removeLast();  // after the last line break
    result.resize(std::min(n, result.size()));
    return result;
}

QString ProgramRun::cacheFile(const char* name) const {
    QFile log(dir_.filePath(QStringLiteral("cache/ratelark/") + QLatin1String(name)));
    return log.open(QIODevice::ReadOnly) ? QString::fromUtf8(log.readAll()) : QString();
}

QString ProgramRun::ratelarkPath() { return QStringLiteral(RATELARK_TEST_BIN_DIR "/ratelark"); }

}  // namespace ratelark::testing
