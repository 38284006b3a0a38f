#pragma once

#include <QString>

namespace ratelark {

// Points standard error, and standard output when asked, at the file at path:
// the directory is created when missing and the file truncated once when
// asked (else written after its end); both descriptors share that one
// opening, so neither overwrites the other. Returns an empty text on success,
// else what went wrong; the streams are then left as they were.
// Opens each of descriptors 0, 1 and 2 that is closed on /dev/null, so that
// the first file, pipe or socket the program opens never takes its place:
// output meant for a stream then never lands in it. Called first of all.
void openClosedStandardDescriptors();

QString redirectStandardStreams(const QString& path, bool includeStandardOutput, bool truncate);

}  // namespace ratelark
