#pragma once

#include <QFont>
#include <QString>

#include <optional>

namespace ratelark {

// The desktop's fixed-pitch font at the given size in points.
QFont userFixedPitchFont(double pointSize);

// One text that names a font's family and face, "Family:style=Face", and that
// fontWithName turns back into the same font.
QString fontName(const QFont& font);

// The installed font of that name and size, or nothing when no such family
// or face is installed. Where the platform offers no fonts at all (a status
// line's), names cannot be checked and each is taken as given.
std::optional<QFont> fontWithName(const QString& name, double pointSize);

}  // namespace ratelark
