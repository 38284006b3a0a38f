#pragma once

#include <QString>

namespace ratelark::keys {

// The preference keys, as stored. "useFixedWith" is spelt as stored files have it.
inline const QString refreshInterval = QStringLiteral("refreshInterval");
inline const QString showType = QStringLiteral("showType");
inline const QString showKBMBGB = QStringLiteral("showKBMBGB");
inline const QString fontName = QStringLiteral("fontName");
inline const QString fontSize = QStringLiteral("fontSize");
inline const QString showWindow = QStringLiteral("showWindow");
inline const QString upAndDown = QStringLiteral("upAndDown");
inline const QString bitsPerSecond = QStringLiteral("bitsPerSecond");
inline const QString useFixedWith = QStringLiteral("useFixedWith");
inline const QString showArrow = QStringLiteral("showArrow");
inline const QString onlyShowDownload = QStringLiteral("onlyShowDownload");
inline const QString colorIsRedBlue = QStringLiteral("colorIsRedBlue");
// The interfaces counted: a list of names; empty or absent, the automatic set.
inline const QString interfaces = QStringLiteral("interfaces");
// A small graph under the speed window's numbers; off unless set.
inline const QString speedGraph = QStringLiteral("speedGraph");
// The Usage window's size and place, as the toolkit saves them, in base64.
inline const QString usageWindowFrame = QStringLiteral("usageWindowGeometry");
// The Usage window's chart: "hours", "days" or "months".
inline const QString usageChart = QStringLiteral("usageChart");

// The data allowance: bytes a period (0 or absent: none), the day of the
// month its period starts (1 to 31), the interfaces it applies to (empty:
// those counted).
inline const QString dataAllowance = QStringLiteral("dataAllowance");
inline const QString dataAllowanceDay = QStringLiteral("dataAllowanceDay");
inline const QString dataAllowanceInterfaces = QStringLiteral("dataAllowanceInterfaces");

// The size of the default title font, in points.
inline constexpr double defaultFontSize = 12.0;

}  // namespace ratelark::keys
