#pragma once

#include <QString>

namespace ratelark {

// Points standard error, and standard output when asked, at the file at path:
// the directory is created when missing and the file truncated once when
// asked (else written after its end); both descriptors share that one
// opening, so neither overwrites the other. Returns an empty text on success,
// else what went wrong; the streams are then left as they were.
QString redirectStandardStreams(const QString& path, bool includeStandardOutput, bool truncate);

}  // namespace ratelark
