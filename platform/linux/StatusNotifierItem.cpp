#include "platform/linux/StatusNotifierItem.h"

#include "platform/EverySecond.h"
#include "platform/StatusLineFormat.h"
#include "platform/TitlePicture.h"

#include <QAction>
#include <QMenu>
#include <QtEndian>

#include <algorithm>

namespace ratelark {

namespace {

const QString kItemPath = QStringLiteral("/StatusNotifierItem");
const QString kMenuPath = QStringLiteral("/MenuBar");

// The icon sizes hosts ask for, at one and at two device pixels per pixel.
constexpr int kIconSizes[] = {16, 22, 24, 32, 48};
constexpr qreal kPixelRatios[] = {1.0, 2.0};

const QChar kFigureSpace(0x2007);

DBusImage encoded(const QImage& picture) {
    const QImage argb = picture.convertToFormat(QImage::Format_ARGB32);
    DBusImage image{argb.width(), argb.height(), QByteArray(qsizetype(argb.width()) * argb.height() * 4, '\0')};
    for (int y = 0; y < argb.height(); ++y)
        qToBigEndian<quint32>(argb.constScanLine(y), argb.width(), image.pixels.data() + qsizetype(y) * argb.width() * 4);
    return image;
}

// Hosts that draw one of the pictures scaled to their icon size (waybar and
// xfce4-panel take the largest) smudge any drawing that is not a whole
// multiple of what they show. So the pictures from 32 device pixels up are
// the 16 px picture enlarged a whole number of times (the 22 px one where 16
// does not divide): scaled down to 16, waybar's size and xfce4-panel's by
// default, the largest gives the 16 px picture back pixel for pixel.
constexpr int kEnlargedFrom = 32;
constexpr int kEnlargedBases[] = {16, 22};

QImage picture(const AttributedText& title, int size, qreal ratio) {
    const int side = qRound(size * ratio);
    for (const int base : kEnlargedBases)
        if (side >= kEnlargedFrom && side % base == 0) {
            QImage enlarged = drawCompactTitle(title, base, 1.0).scaled(side, side, Qt::IgnoreAspectRatio, Qt::FastTransformation);
            enlarged.setDevicePixelRatio(ratio);
            return enlarged;
        }
    return drawCompactTitle(title, size, ratio);
}

DBusImageList pictures(const AttributedText& title) {
    DBusImageList images;
    for (qreal ratio : kPixelRatios)
        for (int size : kIconSizes) images.append(encoded(picture(title, size, ratio)));
    return images;
}

}  // namespace

StatusNotifierItem::StatusNotifierItem(QObject* parent) : QObject(parent) {
    registerDBusTypes();
    setTitle(nullptr);
}

void StatusNotifierItem::exportOn(QDBusConnection bus) {
    constexpr auto exported = QDBusConnection::ExportAllSlots | QDBusConnection::ExportAllSignals
                              | QDBusConnection::ExportAllProperties;
    bus.registerObject(kItemPath, this, exported);
    bus.registerObject(kMenuPath, &menuExporter_, exported);
}

void StatusNotifierItem::setMenu(QMenu* menu) {
    if (menu == menu_) return;
    for (const QMetaObject::Connection& watch : std::as_const(toolTipWatches_)) disconnect(watch);
    toolTipWatches_.clear();
    toolTipActions_.clear();
    menu_ = menu;
    menuExporter_.setMenu(menu);
    // The totals change while the menu is open: the tool-tip follows.
    if (menu)
        for (QAction* action : menu->actions())
            if (action->property("inToolTip").toBool()) {
                toolTipActions_ << action;
                toolTipWatches_ << connect(action, &QAction::changed, this, [this] { updateToolTip(toolTipTitle_); });
            }
    updateToolTip(toolTipTitle_);
}

namespace {

// pictures with a two-pixel frame in Tango's scarlet red.
DBusImageList framed(DBusImageList pictures) {
    for (DBusImage& picture : pictures) {
        auto* pixels = reinterpret_cast<uchar*>(picture.pixels.data());  // ARGB32, big-endian
        const int border = std::max(1, picture.width / 16);
        for (int y = 0; y < picture.height; ++y)
            for (int x = 0; x < picture.width; ++x)
                if (x < border || y < border || x >= picture.width - border || y >= picture.height - border) {
                    uchar* pixel = pixels + 4 * (y * picture.width + x);
                    pixel[0] = 0xff, pixel[1] = 0xcc, pixel[2] = 0x00, pixel[3] = 0x00;
                }
    }
    return pictures;
}

}  // namespace

RATELARK_EVERY_SECOND
void StatusNotifierItem::setTitle(const AttributedText* title) {
    const AttributedText untitled;
    const AttributedText& shown = title ? *title : untitled;

    // The pictures show the compact form alone: drawn again only when it changes.
    const PictureSource source{shown.compactText, shown.compactRuns, shown.compactNarrowText,
                               shown.compactNarrowRuns, shown.font};
    if (source != drawnFrom_) {
        drawnFrom_ = source;
        DBusImageList drawn = pictures(shown);
        if (drawn != pictures_) {
            pictures_ = std::move(drawn);
            emit NewIcon();
            if (status_ != QLatin1String("Active")) {
                attentionPictures_ = framed(pictures_);
                emit NewAttentionIcon();
            }
        }
    }
    const QString status = shown.alert == TitleAlert::Critical ? QStringLiteral("NeedsAttention")
                                                               : QStringLiteral("Active");
    if (status != status_) {
        status_ = status;
        attentionPictures_ = status_ == QLatin1String("Active") ? DBusImageList() : framed(pictures_);
        emit NewAttentionIcon();
        emit NewStatus(status_);
    }

    const QString oneLine = titleOnOneLine(shown.text);
    if (shown.widest != guideFrom_) {
        guideFrom_ = shown.widest;
        guideOnOneLine_ = titleOnOneLine(shown.widest);
    }
    const QString guide = shown.widest.isEmpty() ? oneLine : guideOnOneLine_;
    QString label = oneLine;
    // Hosts that ignore the guide still keep their place while the label
    // has the guide's length: figure spaces are as wide as digits.
    if (shown.steadyWidth && label.size() < guide.size()) label.prepend(QString(guide.size() - label.size(), kFigureSpace));
    if (label != label_ || guide != labelGuide_) {
        label_ = label;
        labelGuide_ = guide;
        emit XAyatanaNewLabel(label_, labelGuide_);
    }

    updateToolTip(title ? oneLine : this->title());
}

DBusToolTip StatusNotifierItem::toolTip() const { return {QString(), {}, toolTipTitle_, toolTipText_}; }

QDBusObjectPath StatusNotifierItem::menu() const { return QDBusObjectPath(kMenuPath); }

void StatusNotifierItem::Activate(int, int) { refuseActivation(); }

void StatusNotifierItem::ContextMenu(int, int) { refuseActivation(); }

void StatusNotifierItem::SecondaryActivate(int, int) {}

void StatusNotifierItem::Scroll(int, const QString&) {}

void StatusNotifierItem::ProvideXdgActivationToken(const QString& token) {
    qputenv("XDG_ACTIVATION_TOKEN", token.toUtf8());
}

RATELARK_EVERY_SECOND
void StatusNotifierItem::updateToolTip(const QString& title) {
    QStringList lines;
    for (const QAction* action : std::as_const(toolTipActions_))
        if (action && action->isVisible()) lines << action->text();
    const QString text = lines.join(QLatin1Char('\n'));
    if (title == toolTipTitle_ && text == toolTipText_) return;
    toolTipTitle_ = title;
    toolTipText_ = text;
    emit NewToolTip();
}

void StatusNotifierItem::refuseActivation() {
    if (calledFromDBus())
        sendErrorReply(QDBusError::UnknownMethod, QStringLiteral("RateLark's item is its menu: the host opens it"));
}

}  // namespace ratelark
