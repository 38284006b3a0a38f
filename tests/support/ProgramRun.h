#pragma once

#include <QByteArray>
#include <QList>
#include <QProcess>
#include <QString>
#include <QStringList>
#include <QTemporaryDir>

#include <vector>

namespace ratelark::testing {

// One line of the scripted sampler: bytes received and sent in one second.
struct Sample {
    qint64 in;
    qint64 out;
};

// The built program run as a process of its own, fed by a scripted sampler
// that prints the samples a little apart and then waits, with settings,
// cache and runtime folders of its own. Killed when the run ends.
class ProgramRun {
public:
    // settings: the lines of the settings file's [General] section.
    ProgramRun(const QByteArray& settings, const std::vector<Sample>& samples);
    ~ProgramRun();

    // The environment the program starts with: the test's own, the sampler,
    // the folders and RATELARK_APPEARANCE=light. Change it before start.
    QProcessEnvironment& environment() { return environment_; }
    void start(const QStringList& arguments, const QString& program = ratelarkPath());

    // The first n lines of standard output, without line breaks; fewer when
    // the program ends first.
    QList<QByteArray> lines(qsizetype n);

    QProcess& process() { return process_; }
    QString folder() const { return dir_.path(); }
    QString consoleLog() const { return cacheFile("console.log"); }
    QString statusLineLog() const { return cacheFile("status-line.log"); }

    static QString ratelarkPath();

private:
    QString cacheFile(const char* name) const;

    QTemporaryDir dir_;
    QProcessEnvironment environment_;
    QProcess process_;
    QByteArray output_;
};

}  // namespace ratelark::testing
