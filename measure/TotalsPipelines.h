#pragma once

#include <QByteArrayView>
#include <QString>

#include <chrono>

namespace ratelark {

// The two totals pipelines: the cumulative bytes received or sent over the
// counted interfaces, from /proc/net/dev, printed in MB (1048576 bytes) as one
// number. The names to count come as data, in the environment variable named
// below, separated by blanks (a name holds none): never as part of a command
// text, since they come from a settings file anyone can edit. Each line is
// split at its first colon, since a long interface name has no blank before
// it. The texts differ only in the byte column they sum, and a run tells its
// direction by comparing its text with these two.
inline constexpr char totalsInterfacesVariable[] = "RATELARK_INTERFACES";
inline constexpr char receivedTotalsPipeline[] =
    "LC_ALL=C awk 'BEGIN { n = split(ENVIRON[\"RATELARK_INTERFACES\"], names, \" \"); "
    "for (k = 1; k <= n; k++) counted[names[k]] = 1 } "
    "{ i = index($0, \":\"); if (i == 0) next; name = substr($0, 1, i - 1); "
    "gsub(/[ \\t]/, \"\", name); if (!(name in counted)) next; split(substr($0, i + 1), column); "
    "x += column[1] } END { printf \"%.6f\\n\", x / 1048576 }' /proc/net/dev";
inline constexpr char sentTotalsPipeline[] =
    "LC_ALL=C awk 'BEGIN { n = split(ENVIRON[\"RATELARK_INTERFACES\"], names, \" \"); "
    "for (k = 1; k <= n; k++) counted[names[k]] = 1 } "
    "{ i = index($0, \":\"); if (i == 0) next; name = substr($0, 1, i - 1); "
    "gsub(/[ \\t]/, \"\", name); if (!(name in counted)) next; split(substr($0, i + 1), column); "
    "x += column[9] } END { printf \"%.6f\\n\", x / 1048576 }' /proc/net/dev";

// What a totals pass runs: the two texts, the shell that runs them, and the
// time limit after which a run is ended and changes nothing.
struct TotalsPipelines {
    QString sent = QString::fromLatin1(sentTotalsPipeline);
    QString received = QString::fromLatin1(receivedTotalsPipeline);
    QString shell = QStringLiteral("/bin/bash");
    std::chrono::milliseconds timeLimit{10000};
};

// The amount a pipeline printed: the number at the start of its output, after
// white space. Output that is not UTF-8 or does not start with a number gives
// 0.0 and is not readable.
struct PipelineAmount {
    double value = 0.0;
    bool readable = false;
};
PipelineAmount pipelineAmount(QByteArrayView output);

}  // namespace ratelark
