#include "measure/TotalsTitle.h"

#include "platform/TextNumbers.h"

namespace ratelark {

QString totalTitle(const char* label, double total) {
    return QString::fromLatin1(label) + formatOneDecimal(total) + QLatin1Char('M');
}

}  // namespace ratelark
