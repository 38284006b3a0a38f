#pragma once

#include <QColor>

namespace ratelark {

// The graphs' colours, those of the coloured title: download blue and upload
// red on light, green and yellow on dark.
inline QColor downloadColor(bool dark) { return dark ? QColor(0x8a, 0xe2, 0x34) : QColor(0x20, 0x4a, 0x87); }
inline QColor uploadColor(bool dark) { return dark ? QColor(0xfc, 0xe9, 0x4f) : QColor(0xcc, 0x00, 0x00); }

}  // namespace ratelark
