#pragma once

#include <QString>

namespace ratelark {

// One diagnostic line on standard error, prefixed the way desktop loggers do:
// local date and time with milliseconds, program name, [pid:tid], message.
// The line is written with a single write() so that lines from several
// threads or processes sharing the descriptor never interleave.
void nsLog(const QString& message);

// A value from outside (a setting, an argument, a name) as a log line or a
// message shows it: in double quotes, control characters as \xNN, and cut
// after 80 characters with "…", so that a 10 MB font name is not logged whole.
QString quotedForLog(const QString& value);

// One line in the system log (syslog: the journal), for where there is no
// log file and standard error must stay clean.
void logToSystemLog(const QString& message);

// The prefix alone, for tests and for Qt's own messages.
QString logLinePrefix();

// Routes Qt's own warnings through nsLog so that every line in the console
// log has the same form.
void installQtMessageHandler();

}  // namespace ratelark
