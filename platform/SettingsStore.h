#pragma once

#include <QSettings>
#include <QString>
#include <QVariant>
#include <QVariantMap>

#include <memory>

namespace ratelark {

// The per-user preferences store: an INI file read and written through
// QSettings, plus defaults registered in memory that are returned while the
// file holds no value for a key and are never written to it. Reads convert
// the way the program expects of stored texts and numbers: "1" reads as the
// integer 1 and as true.
class SettingsStore {
public:
    // The user's store: $XDG_CONFIG_HOME/ratelark/ratelark.conf.
    static QString defaultPath();

    // Opens the store at path. A file that cannot be parsed is moved aside to
    // <path>.bad, and the store starts empty.
    explicit SettingsStore(const QString& path);

    // What went wrong while opening, for one log line once the log is open;
    // empty when nothing did. Taking it clears it.
    QString takeOpeningNotice();

    QString path() const { return path_; }

    void registerDefaults(const QVariantMap& defaults);
    bool hasRegisteredDefaults() const { return !registered_.isEmpty(); }

    qint64 integerForKey(const QString& key) const;
    bool boolForKey(const QString& key) const;
    QVariant valueForKey(const QString& key) const;  // the stored object itself

    void setInteger(qint64 value, const QString& key);
    void setObject(const QVariant& value, const QString& key);
    void synchronize();

private:
    void setAside();

    QString path_;
    std::unique_ptr<QSettings> settings_;
    QVariantMap registered_;
    QString openingNotice_;
};

// The read conversions, on their own for tests.
qint64 integerValue(const QVariant& value);
bool boolValue(const QVariant& value);

}  // namespace ratelark
