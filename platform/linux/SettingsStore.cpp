#include "platform/SettingsStore.h"

#include "counters/WholeFile.h"
#include "platform/EverySecond.h"
#include "platform/FileSetAside.h"
#include "platform/Log.h"
#include "platform/TextNumbers.h"

#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QStandardPaths>

#include <cerrno>
#include <cmath>
#include <string>
#include <utility>

#include <sys/stat.h>
#include <time.h>

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

// How long one look at the file's identity serves the reads after it: a
// change by hand or by another instance shows within this time.
constexpr qint64 kLookServesNs = 200'000'000;

// A settings file of this program holds a few hundred bytes; one that goes
// on past this is not one (a runaway script, a link to a device).
constexpr std::size_t kLargestSettingsFile = 1024 * 1024;

// The keys whose value holds a ';' outside quotes: there INI starts a
// comment, so QSettings reads the value only up to it. By hand a list is
// easily written "eth0;wlan0", and would be cut short without a word.
QStringList keysCutByComments(const QString& text) {
    QStringList keys;
    for (const QStringView line : QStringView(text).split(u'\n')) {
        const qsizetype equals = line.indexOf(u'=');
        const QStringView key = line.left(equals).trimmed();
        if (equals < 0 || key.isEmpty() || key.startsWith(u';') || key.startsWith(u'#')) continue;
        bool quoted = false;
        for (qsizetype i = equals + 1; i < line.size(); ++i) {
            if (line[i] == u'\\') ++i;
            else if (line[i] == u'"') quoted = !quoted;
            else if (line[i] == u';' && !quoted) {
                keys << key.toString();
                break;
            }
        }
    }
    return keys;
}

// Reads the file at path, as far as a settings file can be long, and says
// why it cannot be read as settings; nothing when it can (or when QSettings
// would find it unreadable too and keep to the defaults). QSettings accepts
// almost any text as INI. Text that is not UTF-8 or holds NUL bytes is not
// something this program wrote, and reading it as settings would quietly
// turn it into garbage values. cutKeys receives keysCutByComments.
QString unreadableBecause(const QString& path, QStringList* cutKeys = nullptr) {
    std::string bytes;
    const int error = counters::readWholeFile(QFile::encodeName(path).constData(), bytes, kLargestSettingsFile);
    if (error == EFBIG) return QStringLiteral("it is larger than %1 KiB").arg(kLargestSettingsFile / 1024);
    if (error != 0) return {};
    if (bytes.find('\0') != std::string::npos) return QStringLiteral("it holds NUL bytes");
    const QString text = QString::fromUtf8(bytes.data(), qsizetype(bytes.size()));
    if (text.contains(QChar::ReplacementCharacter)) return QStringLiteral("it is not UTF-8 text");
    if (cutKeys) *cutKeys = keysCutByComments(text);
    return {};
}

QString cutByCommentLine(const QString& path, const QString& key) {
    return QStringLiteral("The setting \"%1\" in %2 holds a ';', where a comment begins: the rest of its line is not "
                          "read (separate names with commas)")
        .arg(key, path);
}

// Only a regular file is read or written: a FIFO would hang the reader, a
// device never ends. Empty when the file is one, or missing.
QString notRegularBecause(const struct stat& status) {
    if (S_ISREG(status.st_mode)) return {};
    if (S_ISFIFO(status.st_mode)) return QStringLiteral("a FIFO");
    if (S_ISDIR(status.st_mode)) return QStringLiteral("a folder");
    if (S_ISCHR(status.st_mode) || S_ISBLK(status.st_mode)) return QStringLiteral("a device");
    return QStringLiteral("not a regular file");
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
    seen_ = identity();
    if (!seen_.notRegular.isEmpty()) {
        openingNotice_ = QStringLiteral("Settings file %1 is %2, not a regular file: left alone; using defaults, "
                                        "and changes last until RateLark ends")
                             .arg(path_, seen_.notRegular);
        return;
    }
    QStringList cutKeys;
    if (seen_.size >= 0)
        if (const QString why = unreadableBecause(path_, &cutKeys); !why.isEmpty()) setAside(why);
    for (const QString& key : cutKeys)
        openingNotice_ += (openingNotice_.isEmpty() ? QString() : QStringLiteral("\n")) + cutByCommentLine(path_, key);
    seen_ = identity();
    settings_ = std::make_unique<QSettings>(path_, QSettings::IniFormat);
    if (settings_->status() == QSettings::FormatError) {
        settings_.reset();
        setAside(QStringLiteral("it is not an INI file"));
        seen_ = identity();
        settings_ = std::make_unique<QSettings>(path_, QSettings::IniFormat);
    }
}

RATELARK_EVERY_SECOND
SettingsStore::FileIdentity SettingsStore::identity() const {
    struct stat status {};
    if (::stat(encodedPath_.constData(), &status) != 0) return {};
    const auto nanoseconds = [](const timespec& time) { return qint64(time.tv_sec) * 1000000000 + time.tv_nsec; };
    return {status.st_dev, status.st_ino, status.st_size, nanoseconds(status.st_mtim), nanoseconds(status.st_ctim),
            notRegularBecause(status)};
}

// One stat when nothing has changed, and none for the reads that follow it
// closely: one title takes a dozen reads. The identity is taken before the
// file is read again, so that a change made meanwhile shows at the next look.
RATELARK_EVERY_SECOND
void SettingsStore::followFile() const {
    if (!settings_) return;
    timespec clock {};
    ::clock_gettime(CLOCK_MONOTONIC_COARSE, &clock);
    const qint64 nowNs = qint64(clock.tv_sec) * 1000000000 + clock.tv_nsec;
    if (lookedAtNs_ && nowNs - *lookedAtNs_ < kLookServesNs) return;
    lookedAtNs_ = nowNs;
    const FileIdentity now = identity();
    if (now == seen_) return;
    seen_ = now;
    QString why = now.notRegular.isEmpty() ? QString() : QStringLiteral("it is %1").arg(now.notRegular);
    QStringList cutKeys;
    if (why.isEmpty() && now.size > 0) why = unreadableBecause(path_, &cutKeys);
    for (const QString& key : cutKeys) nsLog(cutByCommentLine(path_, key));
    if (!why.isEmpty()) {
        nsLog(QStringLiteral("Settings file %1 has become unreadable (%2); keeping the settings read before").arg(path_, why));
        return;
    }
    settings_->sync();  // reads the file again: it differs from what QSettings read
    forgetAnswers();
}

// Whether changes can go to the file: not while it is something that would
// hang or never end the read QSettings makes before it writes.
bool SettingsStore::fileTakesChanges() const { return settings_ && identity().notRegular.isEmpty(); }

// The user's file is never destroyed: it is kept beside the new one under a
// name of its own, however many instances set it aside at once.
void SettingsStore::setAside(const QString& reason) {
    QString why;
    const QString kept = setFileAside(path_, QStringLiteral("bad"), &why);
    if (!kept.isEmpty())
        openingNotice_ = QStringLiteral("Settings file %1 could not be read (%2); kept it as %3 and started with defaults")
                             .arg(path_, reason, kept);
    else if (why == QStringLiteral("gone"))
        openingNotice_ = QStringLiteral("Settings file %1 could not be read (%2) and was set aside by another "
                                        "RateLark; started with defaults")
                             .arg(path_, reason);
    else
        openingNotice_ = QStringLiteral("Settings file %1 could not be read (%2) nor moved aside (%3); using defaults")
                             .arg(path_, reason, why);
}

QString SettingsStore::takeOpeningNotice() { return std::exchange(openingNotice_, QString()); }

bool AllowedValues::allows(const QVariant& value) const {
    bool number = isNumber(value);
    const double n = number ? value.toDouble() : value.toString().trimmed().toDouble(&number);
    if (!number) return false;
    if (choices.isEmpty()) return n >= least && n <= most;
    return std::floor(n) == n && std::abs(n) < 1e18 && choices.contains(static_cast<qint64>(n));
}

void SettingsStore::registerAllowedValues(const QString& key, const AllowedValues& allowed) {
    allowed_.insert(key, allowed);
    forgetAnswers();
}

void SettingsStore::registerDefaults(const QVariantMap& defaults) {
    forgetAnswers();
    for (auto it = defaults.begin(); it != defaults.end(); ++it) registered_.insert(it.key(), it.value());
}

QVariant SettingsStore::valueForKey(const QString& key) const {
    followFile();
    if (const auto known = answers_.constFind(key); known != answers_.cend()) return *known;
    const QVariant answer = answerFor(key);
    answers_.insert(key, answer);
    return answer;
}

void SettingsStore::forgetAnswers() const {
    answers_.clear();
    ++generation_;
}

RATELARK_EVERY_SECOND
quint64 SettingsStore::generation() const {
    followFile();
    return generation_;
}

QVariant SettingsStore::answerFor(const QString& key) const {
    QVariant stored = unwritten_.value(key);
    if (!stored.isValid() && settings_) stored = settings_->value(key);
    if (!stored.isValid()) return registered_.value(key);
    const auto allowed = allowed_.constFind(key);
    if (allowed == allowed_.cend()) return stored;
    if (allowed->allows(stored)) {
        refused_.remove(key);  // so that a value refused again is said again
        return stored;
    }
    if (refused_.value(key) != stored) {
        refused_.insert(key, stored);
        nsLog(QStringLiteral("The setting \"%1\" holds %2, which RateLark does not offer; using %3")
                  .arg(key, quotedForLog(stored.toString()), quotedForLog(registered_.value(key).toString())));
    }
    return registered_.value(key);
}

qint64 SettingsStore::integerForKey(const QString& key) const { return integerValue(valueForKey(key)); }

bool SettingsStore::boolForKey(const QString& key) const { return boolValue(valueForKey(key)); }

void SettingsStore::setInteger(qint64 value, const QString& key) { setObject(value, key); }

void SettingsStore::setObject(const QVariant& value, const QString& key) {
    forgetAnswers();
    if (fileTakesChanges())
        settings_->setValue(key, value);
    else
        unwritten_.insert(key, value);
}

void SettingsStore::synchronize() {
    if (!fileTakesChanges()) return;
    QDir().mkpath(QFileInfo(path_).absolutePath());
    settings_->sync();  // which also takes in what others wrote meanwhile
    forgetAnswers();
    if (settings_->status() == QSettings::AccessError)
        nsLog(QStringLiteral("Settings could not be written to %1").arg(path_));
}

}  // namespace ratelark
