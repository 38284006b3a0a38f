#include "present/TitleComposer.h"

#include "platform/EverySecond.h"

#include <QStringBuilder>

#include <algorithm>

namespace ratelark {

namespace {

constexpr qsizetype kUnitLength = 3;  // " KB": space, unit letter, B or b
const QString kDownArrow = QStringLiteral("\u2193");
const QString kUpArrow = QStringLiteral("\u2191");
const QString kLineFill = QStringLiteral("   ");

struct Palette {
    NamedColor upload;
    NamedColor download;
    NamedColor separator;
};

Palette paletteFor(bool dark) {
    if (dark) return {NamedColor::Yellow, NamedColor::Green, NamedColor::White};
    return {NamedColor::Red, NamedColor::Blue, NamedColor::Black};
}

void padWithZeros(QString& text, qint64 width) {
    if (text.size() < width) text.prepend(QString(width - text.size(), QLatin1Char('0')));
}

// Removes the unit the size formatting appended. A text too short to carry
// one did not come from it and is left whole.
void removeUnit(QString& text) {
    if (text.size() >= kUnitLength) text.chop(kUnitLength);
}

// The parts in the title's order: the download alone, the upload over the
// download, or the download, a separator and the upload.
RATELARK_EVERY_SECOND
QString arrange(const QString& download, const QString& upload, const TitleSwitches& switches, QChar separator) {
    if (switches.onlyShowDownload) return download;
    if (switches.upAndDown) return upload % QLatin1Char('\n') % download;
    return download % separator % upload;
}

// Colours the parts as arrange lays them out: the first part, a
// one-character separator, the second part.
void addColors(std::vector<ColorRun>& runs, const QString& download, const QString& upload,
               const TitleSwitches& switches, const Palette& palette) {
    if (switches.onlyShowDownload) {
        // The single-part title takes the upload colour on two-line layouts.
        runs.push_back({0, download.size(), switches.upAndDown ? palette.upload : palette.download});
        return;
    }
    const bool uploadFirst = switches.upAndDown;
    const qsizetype first = uploadFirst ? upload.size() : download.size();
    const qsizetype second = uploadFirst ? download.size() : upload.size();
    runs.push_back({0, first, uploadFirst ? palette.upload : palette.download});
    runs.push_back({first, 1, palette.separator});
    runs.push_back({first + 1, second, uploadFirst ? palette.download : palette.upload});
}

}  // namespace

RATELARK_EVERY_SECOND
ComposedTitle composeTitle(QString download, QString upload, qint64 maxFixedWidth, const TitleSwitches& switches,
                           const QFont& font, bool dark, const QString& toolTipTail) {
    ComposedTitle result;
    // Measured before any change, so the unit counts; it never shrinks.
    result.maxFixedWidth = std::max({maxFixedWidth, qint64(download.size()), qint64(upload.size())});

    if (switches.useFixedWith) {
        padWithZeros(download, result.maxFixedWidth);
        padWithZeros(upload, result.maxFixedWidth);
    }
    if (!switches.showKBMBGB) {
        removeUnit(download);
        removeUnit(upload);
    }
    if (switches.showArrow) {
        download.prepend(kDownArrow);
        upload.prepend(kUpArrow);
    }
    result.windowUp = upload;
    result.windowDown = download;

    if (switches.upAndDown) {
        // Three spaces per character of difference roughly line the two rows up.
        const qsizetype missing = download.size() - upload.size();
        if (missing > 0) upload += kLineFill.repeated(missing);
    }

    AttributedText& title = result.title;
    title.text = arrange(download, upload, switches, QLatin1Char('|'));
    title.font = font;
    title.steadyWidth = switches.useFixedWith;
    // The speed window's two texts, as it stacks them.
    title.toolTip = result.windowUp % QLatin1Char('\n') % result.windowDown % toolTipTail;
    if (switches.colorIsRedBlue) addColors(title.runs, download, upload, switches, paletteFor(dark));
    return result;
}

RATELARK_EVERY_SECOND
void setCompactForm(AttributedText& title, const QString& download, const QString& upload,
                    const QString& narrowDownload, const QString& narrowUpload, const TitleSwitches& switches,
                    bool dark) {
    title.compactText = arrange(download, upload, switches, QLatin1Char('\n'));
    title.compactNarrowText = arrange(narrowDownload, narrowUpload, switches, QLatin1Char('\n'));
    title.compactRuns.clear();
    title.compactNarrowRuns.clear();
    if (!switches.colorIsRedBlue) return;
    addColors(title.compactRuns, download, upload, switches, paletteFor(dark));
    addColors(title.compactNarrowRuns, narrowDownload, narrowUpload, switches, paletteFor(dark));
}

RATELARK_EVERY_SECOND
bool isDarkInterfaceStyle(const QVariant& style) {
    if (style.typeId() != QMetaType::QString) return false;
    return style.toString().compare(QStringLiteral("dark"), Qt::CaseInsensitive) == 0;
}

}  // namespace ratelark
