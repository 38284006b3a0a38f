#pragma once

#include <QString>

namespace ratelark {

// Moves a file the program cannot use (unreadable settings, a corrupt
// database) out of the way without ever losing it: it is renamed, in one
// step that never replaces another file, to a name of its own beside it,
// "<path>.<tag>-<local date and time>", with "-2", "-3" … added when that
// name is taken. Any number of processes may set the same file aside at
// once: one of them moves it, the others find it gone. Returns the name the
// file now has; empty when it was not moved, with the reason in *why (for a
// file that is already gone, "gone").
QString setFileAside(const QString& path, const QString& tag, QString* why = nullptr);

}  // namespace ratelark
