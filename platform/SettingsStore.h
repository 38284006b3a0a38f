#pragma once

#include <QSettings>
#include <QString>
#include <QVariant>
#include <QVariantMap>
#include <QHash>
#include <QList>

#include <memory>
#include <optional>

namespace ratelark {

// The per-user preferences store: an INI file read and written through
// QSettings, plus defaults registered in memory that are returned while the
// file holds no value for a key and are never written to it. Reads convert
// the way the program expects of stored texts and numbers: "1" reads as the
// integer 1 and as true.
//
// Reads follow the file, so that all running instances follow a change made
// by any of them or by hand: a read looks at the file's identity (one stat,
// which serves the reads of the next 200 ms) and reads the file again only
// when that has changed.
// What the program offers for a key: one of the whole numbers in choices,
// or, with no choices, a number from least to most.
struct AllowedValues {
    QList<qint64> choices;
    double least = 0.0;
    double most = 0.0;
    bool allows(const QVariant& value) const;
};

class SettingsStore {
public:
    // The user's store: $XDG_CONFIG_HOME/ratelark/ratelark.conf.
    static QString defaultPath();

    // Opens the store at path. A file that cannot be parsed (or is larger
    // than a settings file can be) is set aside as <path>.bad-<date and
    // time>, never deleted, and the store starts empty. Something that is not
    // a regular file (a FIFO, a link to a device) is left alone and never
    // read: the store keeps its changes in memory.
    explicit SettingsStore(const QString& path);

    // What went wrong while opening, one log line a line, for when the log is
    // open; empty when nothing did. Taking it clears it.
    QString takeOpeningNotice();

    QString path() const { return path_; }

    void registerDefaults(const QVariantMap& defaults);
    bool hasRegisteredDefaults() const { return !registered_.isEmpty(); }
    // A stored value of key outside allowed reads as its registered default,
    // with one log line; the file keeps it.
    void registerAllowedValues(const QString& key, const AllowedValues& allowed);

    qint64 integerForKey(const QString& key) const;
    bool boolForKey(const QString& key) const;
    QVariant valueForKey(const QString& key) const;  // the stored object itself

    // Goes up whenever a read may answer otherwise than before (the file
    // changed, a value was set): what was read at an equal count holds.
    quint64 generation() const;

    void setInteger(qint64 value, const QString& key);
    void setObject(const QVariant& value, const QString& key);
    void synchronize();

private:
    // What tells one version of the file from another: a file replaced by
    // rename has another inode, an edit in place another size or times (to
    // the nanosecond). A missing file has size -1.
    struct FileIdentity {
        quint64 device = 0, inode = 0;
        qint64 size = -1, modified = 0, changed = 0;
        QString notRegular;  // what it is when it is no regular file: "a FIFO"
        bool operator==(const FileIdentity&) const = default;
    };
    FileIdentity identity() const;

    QVariant answerFor(const QString& key) const;
    void forgetAnswers() const;
    void setAside(const QString& reason);
    void followFile() const;
    bool fileTakesChanges() const;

    QString path_;
    QByteArray encodedPath_;  // for stat, made once
    std::unique_ptr<QSettings> settings_;  // none while the file is no regular file
    QVariantMap unwritten_;                // changes the file could not take
    mutable FileIdentity seen_;
    mutable std::optional<qint64> lookedAtNs_;  // when the identity was last taken, on the monotonic clock
    QVariantMap registered_;
    QHash<QString, AllowedValues> allowed_;
    // What each key read as since the file or the store last changed: a title
    // reads a dozen keys every second.
    mutable QHash<QString, QVariant> answers_;
    mutable quint64 generation_ = 0;
    mutable QVariantMap refused_;  // the stored values already logged as refused
    QString openingNotice_;
};

// The read conversions, on their own for tests.
qint64 integerValue(const QVariant& value);
bool boolValue(const QVariant& value);

}  // namespace ratelark
