#pragma once

#include <QString>

#include <cstdint>
#include <functional>
#include <map>
#include <memory>
#include <optional>
#include <vector>

class QSqlDatabase;
class QSqlQuery;

namespace ratelark {

// The counters of an interface as they were last recorded, with the boot
// they were read in and the boot clock at the reading.
struct StoredReading {
    QString boot;
    std::uint64_t received = 0;
    std::uint64_t sent = 0;
    std::int64_t bootTimeNs = 0;
    bool operator==(const StoredReading&) const = default;
};
using StoredReadings = std::map<QString, StoredReading>;

// Bytes an interface carried within one hour (its UTC start, in seconds
// since the epoch) of one local day (yyyymmdd).
struct UsageIncrement {
    std::int64_t hourStart = 0;
    int day = 0;
    QString interface;
    std::uint64_t received = 0;
    std::uint64_t sent = 0;
};

// A data allowance to watch while recording: the days of its period
// [fromDay, toDay), its interfaces and its bytes.
struct AllowanceWatch {
    int fromDay = 0;
    int toDay = 0;
    std::vector<QString> interfaces;
    std::uint64_t bytes = 0;
};

// What one recording writes: the bytes to add, the readings to store in
// place of the old ones, and those to forget; and the allowance whose
// crossings of 80 % and 100 % are recorded with them.
struct UsageChange {
    std::vector<UsageIncrement> increments;
    StoredReadings store;
    std::vector<QString> forget;
    std::optional<AllowanceWatch> allowance;
};

// A stored amount: key is an hour's UTC start or a day (yyyymmdd).
struct UsageRow {
    std::int64_t key = 0;
    QString interface;
    std::uint64_t received = 0;
    std::uint64_t sent = 0;
};

// The usage history in an SQLite file. Several processes may record into the
// same file at once: each recording is one immediate transaction that reads
// the stored readings and writes what they imply, so no byte is counted
// twice. A file that is corrupt or cannot be read is set aside under a name
// of its own (never deleted) and a new one is started. The last days and
// readings read are answered again while nobody has written to the file.
class UsageDatabase {
public:
    explicit UsageDatabase(QString path);
    ~UsageDatabase();
    UsageDatabase(const UsageDatabase&) = delete;
    UsageDatabase& operator=(const UsageDatabase&) = delete;

    // $XDG_DATA_HOME/ratelark/usage.sqlite.
    static QString defaultPath();
    const QString& path() const { return path_; }

    // Opens (creating the folder and the file where needed) unless open.
    // False with the reason in *why when it cannot be; notes (a file set
    // aside) are added to *notes.
    bool open(QString* why, std::vector<QString>* notes);
    bool isOpen() const { return open_; }

    // One recording: decide gets the stored readings and says what to write.
    // False with the reason in *why when nothing was written; "busy" when
    // other writers held the file for too long (worth a quiet retry).
    // *crossed: the highest share of the allowance (80 or 100) that this
    // recording reached first in its period, whoever else records; else 0.
    bool record(const std::function<UsageChange(const StoredReadings&)>& decide, QString* why,
                std::vector<QString>* notes, int* crossed = nullptr);

    // Rows whose key lies in [from, to), ordered by key and interface.
    std::vector<UsageRow> hours(std::int64_t from, std::int64_t to);
    std::vector<UsageRow> days(int from, int to);
    // The stored readings; none when they cannot be read.
    StoredReadings readings();

private:
    bool openOnce(QString* why, bool* corrupt);
    bool prepare(QSqlDatabase& db, QString* why, bool* corrupt);
    bool migrate(QSqlDatabase& db, QString* why);
    bool recordOnce(const std::function<UsageChange(const StoredReadings&)>& decide, QString* why, bool* corrupt,
                    int* crossed);
    // Closes, sets the file (and its journal) aside and says so in notes.
    bool setAside(const QString& reason, std::vector<QString>* notes);
    void close();
    // Records the shares of the allowance its period's use has reached;
    // returns the highest one recorded now for the first time, else 0.
    int recordCrossings(QSqlDatabase& db, const AllowanceWatch& watch);
    // The stored readings; throws when they cannot be read.
    StoredReadings storedReadings();
    std::optional<std::vector<UsageRow>> rows(const char* table, std::int64_t from, std::int64_t to);

    // Changes whenever what the file holds may have changed: "others" counts
    // the commits of other connections, "ours" this one's attempts to write.
    struct Version {
        std::int64_t others = 0;
        std::int64_t ours = 0;
        bool operator==(const Version&) const = default;
    };
    // None when it cannot be told; then nothing is answered again.
    std::optional<Version> version();
    struct KeptDays {
        Version version;
        int from = 0;
        int to = 0;
        std::vector<UsageRow> rows;
    };
    struct KeptReadings {
        Version version;
        StoredReadings readings;
    };

    QString path_;
    QString connection_;
    bool open_ = false;
    bool pruned_ = false;  // old hours are pruned once a run
    std::unique_ptr<QSqlQuery> dataVersion_;  // prepared once per opening
    std::int64_t writes_ = 0;
    std::optional<KeptDays> keptDays_;
    std::optional<KeptReadings> keptReadings_;
};

}  // namespace ratelark
