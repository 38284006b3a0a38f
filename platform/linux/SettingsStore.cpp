#include "platform/SettingsStore.h"

#include "platform/FileSetAside.h"
#include "platform/TextNumbers.h"
#include "platform/Log.h"

#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QStandardPaths>

#include <utility>

#include <sys/stat.h>

namespace ratelark {

namespace {

bool isNumber(const QVariant& value) {
    switch (value.typeId()) {
    case QMetaType::Int: case QMetaType::UInt: case QMetaType::LongLong: case QMetaType::ULongLong:
    case QMetaType::Double: case QMetaType::Float: case QMetaType::Bool:
        return true;
    default:
        return false;
    }
}

// A stored text's truth, as the desktop's settings stores read it: after
// white space, a sign and leading zeros, Y, y, T, t or a digit 1-9 is true.
bool textIsTrue(const QString& text) {
    qsizetype i = 0;
    while (i < text.size() && text.at(i).isSpace()) ++i;
    if (i < text.size() && (text.at(i) == u'+' || text.at(i) == u'-')) ++i;
    while (i < text.size() && text.at(i) == u'0') ++i;
    if (i == text.size()) return false;
    const QChar c = text.at(i);
    return c == u'Y' || c == u'y' || c == u'T' || c == u't' || (c >= u'1' && c <= u'9');
}

// QSettings accepts almost any text as INI. Text that is not UTF-8 or holds
// NUL bytes is not something this program wrote, and reading it as settings
// would quietly turn it into garbage values.
bool looksUnreadable(const QString& path) {
    QFile file(path);
    if (!file.open(QIODevice::ReadOnly)) return false;
    const QByteArray bytes = file.readAll();
    if (bytes.contains('\0')) return true;
    QString decoded = QString::fromUtf8(bytes);
    return decoded.contains(QChar::ReplacementCharacter);
}

}  // namespace

qint64 integerValue(const QVariant& value) {
    if (!value.isValid()) return 0;
    if (isNumber(value)) {
        if (value.typeId() == QMetaType::Double || value.typeId() == QMetaType::Float)
            return static_cast<qint64>(value.toDouble());
        return value.toLongLong();
    }
    if (value.typeId() == QMetaType::QString || value.typeId() == QMetaType::QByteArray)
        return integerValue(QByteArrayView(value.toString().toUtf8()));
    return 0;
}

bool boolValue(const QVariant& value) {
    if (!value.isValid()) return false;
    if (isNumber(value)) return value.toDouble() != 0.0;
    if (value.typeId() == QMetaType::QString || value.typeId() == QMetaType::QByteArray)
        return textIsTrue(value.toString());
    return false;
}

QString SettingsStore::defaultPath() {
    return QStandardPaths::writableLocation(QStandardPaths::GenericConfigLocation)
           + QStringLiteral("/ratelark/ratelark.conf");
}

SettingsStore::SettingsStore(const QString& path) : path_(path), encodedPath_(QFile::encodeName(path)) {
    if (QFileInfo::exists(path_) && looksUnreadable(path_)) setAside();
    seen_ = identity();
    settings_ = std::make_unique<QSettings>(path_, QSettings::IniFormat);
    if (settings_->status() == QSettings::FormatError) {
        settings_.reset();
        setAside();
        seen_ = identity();
        settings_ = std::make_unique<QSettings>(path_, QSettings::IniFormat);
    }
}

SettingsStore::FileIdentity SettingsStore::identity() const {
    struct stat status {};
    if (::stat(encodedPath_.constData(), &status) != 0) return {};
    const auto nanoseconds = [](const timespec& time) { return qint64(time.tv_sec) * 1000000000 + time.tv_nsec; };
    return {status.st_dev, status.st_ino, status.st_size, nanoseconds(status.st_mtim), nanoseconds(status.st_ctim)};
}

// One stat when nothing has changed. The identity is taken before the file
// is read again, so that a change made meanwhile shows at the next read.
void SettingsStore::followFile() const {
    const FileIdentity now = identity();
    if (now == seen_) return;
    seen_ = now;
    if (now.size > 0 && looksUnreadable(path_)) {
        nsLog(QStringLiteral("Settings file %1 has become unreadable; keeping the settings read before").arg(path_));
        return;
    }
    settings_->sync();  // reads the file again: it differs from what QSettings read
}

// The user's file is never destroyed: it is kept beside the new one under a
// name of its own, however many instances set it aside at once.
void SettingsStore::setAside() {
    QString why;
    const QString kept = setFileAside(path_, QStringLiteral("bad"), &why);
    if (!kept.isEmpty())
        openingNotice_ =
            QStringLiteral("Settings file %1 could not be read; kept it as %2 and started with defaults").arg(path_, kept);
    else if (why == QStringLiteral("gone"))
        openingNotice_ =
            QStringLiteral("Settings file %1 could not be read and was set aside by another RateLark; started with defaults")
                .arg(path_);
    else
        openingNotice_ =
            QStringLiteral("Settings file %1 could not be read nor moved aside (%2); using defaults").arg(path_, why);
}

QString SettingsStore::takeOpeningNotice() { return std::exchange(openingNotice_, QString()); }

void SettingsStore::registerDefaults(const QVariantMap& defaults) {
    for (auto it = defaults.begin(); it != defaults.end(); ++it) registered_.insert(it.key(), it.value());
}

QVariant SettingsStore::valueForKey(const QString& key) const {
    followFile();
    const QVariant stored = settings_->value(key);
    return stored.isValid() ? stored : registered_.value(key);
}

qint64 SettingsStore::integerForKey(const QString& key) const { return integerValue(valueForKey(key)); }

bool SettingsStore::boolForKey(const QString& key) const { return boolValue(valueForKey(key)); }

void SettingsStore::setInteger(qint64 value, const QString& key) { settings_->setValue(key, value); }

void SettingsStore::setObject(const QVariant& value, const QString& key) { settings_->setValue(key, value); }

void SettingsStore::synchronize() {
    QDir().mkpath(QFileInfo(path_).absolutePath());
    settings_->sync();
    if (settings_->status() == QSettings::AccessError)
        nsLog(QStringLiteral("Settings could not be written to %1").arg(path_));
}

}  // namespace ratelark
