#include "platform/UsageDatabase.h"

#include "platform/FileSetAside.h"

#include <QDir>
#include <QFileInfo>
#include <QLockFile>
#include <QSqlDatabase>
#include <QSqlError>
#include <QSqlQuery>
#include <QStandardPaths>
#include <QVariant>

#include <array>

#include <sqlite3.h>

namespace ratelark {

namespace {

// Each entry takes the schema from its index to the next; user_version
// holds how many have run. A file from a later release, with a higher
// version, is left alone.
constexpr std::array kMigrations = {
    "CREATE TABLE readings(interface TEXT PRIMARY KEY, boot TEXT NOT NULL, received INTEGER NOT NULL,"
    " sent INTEGER NOT NULL, boot_time INTEGER NOT NULL) WITHOUT ROWID;"
    "CREATE TABLE hours(start INTEGER NOT NULL, interface TEXT NOT NULL, received INTEGER NOT NULL,"
    " sent INTEGER NOT NULL, PRIMARY KEY(start, interface)) WITHOUT ROWID;"
    "CREATE TABLE days(day INTEGER NOT NULL, interface TEXT NOT NULL, received INTEGER NOT NULL,"
    " sent INTEGER NOT NULL, PRIMARY KEY(day, interface)) WITHOUT ROWID;",
    // The shares of an allowance already reached in a period: each is
    // announced once, by the writer that recorded it.
    "CREATE TABLE allowance_crossings(period INTEGER NOT NULL, allowance INTEGER NOT NULL, level INTEGER NOT NULL,"
    " PRIMARY KEY(period, allowance, level)) WITHOUT ROWID;",
};

// Hours are kept a little over a year; days for ever.
constexpr std::int64_t kHoursKeptSeconds = std::int64_t{400} * 24 * 3600;

int sqliteCode(const QSqlError& error) { return error.nativeErrorCode().toInt() & 0xff; }
bool isCorrupt(const QSqlError& error) {
    return sqliteCode(error) == SQLITE_CORRUPT || sqliteCode(error) == SQLITE_NOTADB;
}
bool isBusy(const QSqlError& error) { return sqliteCode(error) == SQLITE_BUSY || sqliteCode(error) == SQLITE_LOCKED; }

// The history is a small file read and written a few rows at a time, but
// SQLite's page cache starts by laying out room for twenty pages at once,
// every one of them written at the first read: some thirty-five pages of
// memory touched at each start, a tenth of what opening the history costs.
// Without that first bulk each page is taken when it is needed. SQLite takes
// this only before its first use in the process and refuses it after, which
// changes nothing but the cost.
void takePagesAsNeeded() {
    [[maybe_unused]] static const int configured = sqlite3_config(SQLITE_CONFIG_PAGECACHE, nullptr, 0, 0);
}

// Counters use all 64 bits; SQLite's integers are signed, so the bits are
// stored as they are and read back the same way.
QVariant stored(std::uint64_t value) { return QVariant::fromValue(static_cast<qint64>(value)); }
std::uint64_t unsignedOf(const QVariant& value) { return static_cast<std::uint64_t>(value.toLongLong()); }

struct Failure {
    QSqlError error;
};

// Runs one statement with its bound values; throws Failure when it fails.
QSqlQuery run(QSqlDatabase& db, const QString& statement, const QVariantList& values = {}) {
    QSqlQuery query(db);
    if (!query.prepare(statement)) throw Failure{query.lastError()};
    for (const QVariant& value : values) query.addBindValue(value);
    if (!query.exec()) throw Failure{query.lastError()};
    return query;
}

QString reasonOf(const QSqlError& error) {
    const QString text = error.databaseText().isEmpty() ? error.text() : error.databaseText();
    return isBusy(error) ? QStringLiteral("busy") : text;
}

}  // namespace

UsageDatabase::UsageDatabase(QString path)
    : path_(std::move(path)), connection_(QStringLiteral("usage-%1").arg(reinterpret_cast<quintptr>(this))) {}

UsageDatabase::~UsageDatabase() { close(); }

QString UsageDatabase::defaultPath() {
    return QStandardPaths::writableLocation(QStandardPaths::GenericDataLocation)
           + QStringLiteral("/ratelark/usage.sqlite");
}

void UsageDatabase::close() {
    keptDays_.reset();
    keptReadings_.reset();
    dataVersion_.reset();
    if (!QSqlDatabase::contains(connection_)) return;
    QSqlDatabase::database(connection_, false).close();
    QSqlDatabase::removeDatabase(connection_);
    open_ = false;
}

bool UsageDatabase::open(QString* why, std::vector<QString>* notes) {
    if (open_) return true;
    const QString folder = QFileInfo(path_).absolutePath();
    if (!QDir().mkpath(folder)) {
        *why = QStringLiteral("cannot create the folder %1").arg(folder);
        return false;
    }
    // Instances that start together check, and set aside, one at a time: the
    // second one then finds the new file, not the broken one.
    QLockFile lock(path_ + QStringLiteral(".lock"));
    if (!lock.tryLock(5000)) {
        *why = lock.error() == QLockFile::LockFailedError ? QStringLiteral("busy")
                                                          : QStringLiteral("cannot lock %1.lock").arg(path_);
        return false;
    }
    bool corrupt = false;
    if (openOnce(why, &corrupt)) return true;
    const bool unreadable = QFileInfo::exists(path_) && !QFileInfo(path_).isReadable();
    if (!corrupt && !unreadable) return false;
    if (!setAside(unreadable ? QStringLiteral("cannot be read") : QStringLiteral("is corrupt (%1)").arg(*why), notes))
        return false;
    return openOnce(why, &corrupt);
}

bool UsageDatabase::openOnce(QString* why, bool* corrupt) {
    takePagesAsNeeded();
    close();
    *corrupt = false;
    {
        QSqlDatabase db = QSqlDatabase::addDatabase(QStringLiteral("QSQLITE"), connection_);
        db.setDatabaseName(path_);
        db.setConnectOptions(QStringLiteral("QSQLITE_BUSY_TIMEOUT=3000"));
        open_ = db.open() ? prepare(db, why, corrupt) : (*why = reasonOf(db.lastError()), false);
    }
    // Qt lets a connection go only once no handle of it is left.
    if (!open_) close();
    return open_;
}

bool UsageDatabase::prepare(QSqlDatabase& db, QString* why, bool* corrupt) {
    try {
        QSqlQuery check = run(db, QStringLiteral("PRAGMA quick_check"));
        const bool healthy = check.next() && check.value(0).toString() == QLatin1String("ok");
        check.finish();
        if (!healthy) {
            *why = QStringLiteral("it fails its integrity check");
            *corrupt = true;
            return false;
        }
        run(db, QStringLiteral("PRAGMA journal_mode=WAL"));
        run(db, QStringLiteral("PRAGMA synchronous=NORMAL"));
        return migrate(db, why);
    } catch (const Failure& failure) {
        *why = reasonOf(failure.error);
        *corrupt = isCorrupt(failure.error);
        return false;
    }
}

bool UsageDatabase::migrate(QSqlDatabase& db, QString* why) {
    run(db, QStringLiteral("BEGIN IMMEDIATE"));
    QSqlQuery version = run(db, QStringLiteral("PRAGMA user_version"));
    const int from = version.next() ? version.value(0).toInt() : 0;
    version.finish();
    if (from > static_cast<int>(kMigrations.size())) {
        run(db, QStringLiteral("ROLLBACK"));
        *why = QStringLiteral("it was written by a later release (schema %1); it is left as it is").arg(from);
        return false;
    }
    try {
        for (int step = from; step < static_cast<int>(kMigrations.size()); ++step)
            for (const QString& statement : QString::fromLatin1(kMigrations[step]).split(';', Qt::SkipEmptyParts))
                run(db, statement);
        run(db, QStringLiteral("PRAGMA user_version=%1").arg(kMigrations.size()));
        run(db, QStringLiteral("COMMIT"));
    } catch (const Failure&) {
        run(db, QStringLiteral("ROLLBACK"));
        throw;
    }
    return true;
}

bool UsageDatabase::setAside(const QString& reason, std::vector<QString>* notes) {
    close();
    QString why;
    const QString kept = setFileAside(path_, QStringLiteral("corrupt"), &why);
    if (kept.isEmpty() && why != QLatin1String("gone")) {
        notes->push_back(QStringLiteral("The usage history %1 %2, and it cannot be set aside: %3")
                             .arg(path_, reason, why));
        return false;
    }
    // Its journal holds pages of the old file: it must not be replayed into the new one.
    for (const char* journal : {"-wal", "-shm"})
        if (QFileInfo::exists(path_ + QLatin1String(journal)))
            setFileAside(path_ + QLatin1String(journal), QStringLiteral("corrupt"));
    if (!kept.isEmpty())
        notes->push_back(QStringLiteral("The usage history %1 %2; it is kept as %3 and a new one is started")
                             .arg(path_, reason, kept));
    return true;
}

bool UsageDatabase::record(const std::function<UsageChange(const StoredReadings&)>& decide, QString* why,
                           std::vector<QString>* notes, int* crossed) {
    int ignored = 0;
    for (int attempt = 0; attempt < 2; ++attempt) {
        if (!open(why, notes)) return false;
        bool corrupt = false;
        if (recordOnce(decide, why, &corrupt, crossed ? crossed : &ignored)) return true;
        if (!corrupt) return false;
        // Checked again under the lock, where it is set aside if the check
        // fails too; another instance may have replaced it already.
        close();
    }
    return false;
}

bool UsageDatabase::recordOnce(const std::function<UsageChange(const StoredReadings&)>& decide, QString* why,
                               bool* corrupt, int* crossed) {
    *crossed = 0;
    ++writes_;
    QSqlDatabase db = QSqlDatabase::database(connection_, false);
    try {
        run(db, QStringLiteral("BEGIN IMMEDIATE"));
        try {
            const UsageChange change = decide(storedReadings());
            for (const UsageIncrement& each : change.increments) {
                const QVariantList amounts{each.interface, stored(each.received), stored(each.sent)};
                run(db, QStringLiteral("INSERT INTO hours VALUES(?,?,?,?) ON CONFLICT(start, interface) DO UPDATE"
                                       " SET received = received + excluded.received, sent = sent + excluded.sent"),
                    QVariantList{QVariant::fromValue(each.hourStart)} + amounts);
                run(db, QStringLiteral("INSERT INTO days VALUES(?,?,?,?) ON CONFLICT(day, interface) DO UPDATE"
                                       " SET received = received + excluded.received, sent = sent + excluded.sent"),
                    QVariantList{each.day} + amounts);
            }
            for (const auto& [name, reading] : change.store)
                run(db, QStringLiteral("INSERT OR REPLACE INTO readings VALUES(?,?,?,?,?)"),
                    {name, reading.boot, stored(reading.received), stored(reading.sent),
                     QVariant::fromValue(reading.bootTimeNs)});
            for (const QString& name : change.forget)
                run(db, QStringLiteral("DELETE FROM readings WHERE interface = ?"), {name});
            if (!pruned_ && !change.increments.empty())
                run(db, QStringLiteral("DELETE FROM hours WHERE start < ?"),
                    {QVariant::fromValue(change.increments.back().hourStart - kHoursKeptSeconds)});
            if (change.allowance) *crossed = recordCrossings(db, *change.allowance);
            run(db, QStringLiteral("COMMIT"));
            pruned_ = pruned_ || !change.increments.empty();
            return true;
        } catch (const Failure&) {
            QSqlQuery(db).exec(QStringLiteral("ROLLBACK"));
            throw;
        }
    } catch (const Failure& failure) {
        *why = reasonOf(failure.error);
        *corrupt = isCorrupt(failure.error);
        return false;
    }
}

int UsageDatabase::recordCrossings(QSqlDatabase& db, const AllowanceWatch& watch) {
    if (watch.interfaces.empty() || watch.bytes == 0) return 0;
    QStringList marks;
    QVariantList values{watch.fromDay, watch.toDay};
    for (const QString& name : watch.interfaces) {
        marks << QStringLiteral("?");
        values << name;
    }
    QSqlQuery sum = run(db, QStringLiteral("SELECT COALESCE(SUM(received + sent), 0) FROM days WHERE day >= ? AND"
                                           " day < ? AND interface IN (%1)").arg(marks.join(QLatin1Char(','))),
                        values);
    const double used = sum.next() ? static_cast<double>(unsignedOf(sum.value(0))) : 0.0;
    sum.finish();
    int crossed = 0;
    for (const int level : {80, 100}) {
        if (used * 100.0 < static_cast<double>(watch.bytes) * level) break;
        QSqlQuery mark = run(db, QStringLiteral("INSERT OR IGNORE INTO allowance_crossings VALUES(?,?,?)"),
                             {watch.fromDay, stored(watch.bytes), level});
        if (mark.numRowsAffected() == 1) crossed = level;
    }
    return crossed;
}

std::optional<UsageDatabase::Version> UsageDatabase::version() {
    if (!open_) return std::nullopt;
    if (!dataVersion_) {
        dataVersion_ = std::make_unique<QSqlQuery>(QSqlDatabase::database(connection_, false));
        if (!dataVersion_->prepare(QStringLiteral("PRAGMA data_version"))) {
            dataVersion_.reset();
            return std::nullopt;
        }
    }
    const bool read = dataVersion_->exec() && dataVersion_->next();
    const std::int64_t others = read ? dataVersion_->value(0).toLongLong() : 0;
    // Reset at once, so that no read transaction stays open between looks.
    dataVersion_->finish();
    if (!read) return std::nullopt;
    return Version{others, writes_};
}

StoredReadings UsageDatabase::readings() {
    if (!open_) return {};
    // Taken before the read: a write in between makes the next look read again.
    const std::optional<Version> now = version();
    if (now && keptReadings_ && keptReadings_->version == *now) return keptReadings_->readings;
    try {
        StoredReadings result = storedReadings();
        if (now) keptReadings_ = KeptReadings{*now, result};
        return result;
    } catch (const Failure&) {
        return {};
    }
}

StoredReadings UsageDatabase::storedReadings() {
    StoredReadings result;
    QSqlDatabase db = QSqlDatabase::database(connection_, false);
    QSqlQuery query = run(db, QStringLiteral("SELECT interface, boot, received, sent, boot_time FROM readings"));
    while (query.next())
        result[query.value(0).toString()] = {query.value(1).toString(), unsignedOf(query.value(2)),
                                             unsignedOf(query.value(3)), query.value(4).toLongLong()};
    return result;
}

std::optional<std::vector<UsageRow>> UsageDatabase::rows(const char* table, std::int64_t from, std::int64_t to) {
    if (!open_) return std::nullopt;
    const QString key = QLatin1String(table) == QLatin1String("hours") ? QStringLiteral("start") : QStringLiteral("day");
    QSqlDatabase db = QSqlDatabase::database(connection_, false);
    std::vector<UsageRow> result;
    try {
        QSqlQuery query = run(db, QStringLiteral("SELECT %1, interface, received, sent FROM %2 WHERE %1 >= ? AND %1 < ?"
                                                 " ORDER BY %1, interface").arg(key, QLatin1String(table)),
                              {QVariant::fromValue(from), QVariant::fromValue(to)});
        while (query.next())
            result.push_back({query.value(0).toLongLong(), query.value(1).toString(), unsignedOf(query.value(2)),
                              unsignedOf(query.value(3))});
    } catch (const Failure&) {
        return std::nullopt;
    }
    return result;
}

std::vector<UsageRow> UsageDatabase::hours(std::int64_t from, std::int64_t to) {
    return rows("hours", from, to).value_or(std::vector<UsageRow>{});
}

std::vector<UsageRow> UsageDatabase::days(int from, int to) {
    const std::optional<Version> now = version();
    if (now && keptDays_ && keptDays_->version == *now && keptDays_->from == from && keptDays_->to == to)
        return keptDays_->rows;
    std::optional<std::vector<UsageRow>> read = rows("days", from, to);
    if (!read) return {};
    if (now) keptDays_ = KeptDays{*now, from, to, *read};
    return *read;
}

}  // namespace ratelark
