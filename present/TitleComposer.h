#pragma once

#include "platform/AttributedText.h"

#include <QFont>
#include <QString>
#include <QVariant>

namespace ratelark {

// The display switches the status title is built from.
struct TitleSwitches {
    bool useFixedWith = false;
    bool showKBMBGB = true;
    bool showArrow = false;
    bool upAndDown = false;
    bool onlyShowDownload = false;
    bool colorIsRedBlue = false;
    bool operator==(const TitleSwitches&) const = default;
};

// The settings a title is made of, as read at a generation of the store.
struct TitleSettings {
    quint64 generation = ~quint64(0);
    qint64 refreshInterval = 1;
    TitleSwitches switches;
    bool bitsPerSecond = false;
    qint64 showType = 0;
};

// What the widest title is made of, and that title: the same at almost every
// update, so it is composed again only when one of its parts changes.
struct WidestTitle {
    struct Parts {
        bool bitsPerSecond = false;
        qint64 showType = -1;
        qint64 maxFixedWidth = -1;
        TitleSwitches switches;
        bool operator==(const Parts&) const = default;
    } parts;
    QString text;
};

// One display update's worth of text: the status title, the speed window's
// two texts and the width mark to keep for the next update.
struct ComposedTitle {
    AttributedText title;
    QString windowUp;
    QString windowDown;
    qint64 maxFixedWidth = 0;
};

// Builds the status title from the download and upload speed texts as the
// size formatting returns them. maxFixedWidth is the widest text seen before
// this update; dark picks the colours for a dark status area. The title's
// tool-tip is the two window texts, upload above download, then toolTipTail.
ComposedTitle composeTitle(QString download, QString upload, qint64 maxFixedWidth, const TitleSwitches& switches,
                           const QFont& font, bool dark, const QString& toolTipTail = {});

// Puts the compact form of the speeds on title (compact texts as
// formatCompactSize gives them): stacked in the title's order, upload first
// only in the two-line layout, download alone when only the download shows,
// each coloured as its part of the title; the narrow texts (two figures at
// most) the same way as the title's narrow compact form.
void setCompactForm(AttributedText& title, const QString& download, const QString& upload,
                    const QString& narrowDownload, const QString& narrowUpload, const TitleSwitches& switches,
                    bool dark);

// Whether the desktop's interface style names the dark appearance: a text
// equal to "dark" in any mix of case. Anything else is light.
bool isDarkInterfaceStyle(const QVariant& style);

}  // namespace ratelark
