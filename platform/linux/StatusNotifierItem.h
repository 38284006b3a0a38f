#pragma once

#include "platform/AttributedText.h"
#include "platform/linux/DBusMenuExporter.h"
#include "platform/linux/DBusTypes.h"

#include <QDBusConnection>
#include <QDBusContext>
#include <QDBusObjectPath>
#include <QMenu>
#include <QObject>
#include <QPointer>

#include <optional>
#include <vector>


namespace ratelark {

// RateLark's item in a StatusNotifierItem host (org.kde.StatusNotifierItem at
// /StatusNotifierItem, its menu over dbusmenu at /MenuBar). The title shows
// as XAyatanaLabel, one line of text the host draws beside the icon where it
// can (GNOME's AppIndicator extension), and as a square picture of the two
// speeds in exact sizes for the hosts that draw only icons; the tool-tip
// holds the whole title and the menu items marked for it (the totals). The
// item is its menu: hosts open the menu on a click, and RateLark never pops
// up a menu of its own. Signals go out only when what they announce changed.
class StatusNotifierItem : public QObject, protected QDBusContext {
    Q_OBJECT
    Q_CLASSINFO("D-Bus Interface", "org.kde.StatusNotifierItem")
    Q_PROPERTY(QString Category READ category)
    Q_PROPERTY(QString Id READ id)
    Q_PROPERTY(QString Title READ title)
    Q_PROPERTY(QString Status READ status)
    Q_PROPERTY(int WindowId READ windowId)
    Q_PROPERTY(QString IconName READ noName)
    Q_PROPERTY(ratelark::DBusImageList IconPixmap READ iconPixmap)
    Q_PROPERTY(QString OverlayIconName READ noName)
    Q_PROPERTY(ratelark::DBusImageList OverlayIconPixmap READ noPictures)
    Q_PROPERTY(QString AttentionIconName READ noName)
    Q_PROPERTY(ratelark::DBusImageList AttentionIconPixmap READ noPictures)
    Q_PROPERTY(QString AttentionMovieName READ noName)
    // Empty: hosts name the item by its Title. GNOME asks for these two.
    Q_PROPERTY(QString IconAccessibleDesc READ noName)
    Q_PROPERTY(QString AttentionAccessibleDesc READ noName)
    Q_PROPERTY(ratelark::DBusToolTip ToolTip READ toolTip)
    Q_PROPERTY(bool ItemIsMenu READ itemIsMenu)
    Q_PROPERTY(QDBusObjectPath Menu READ menu)
    Q_PROPERTY(QString XAyatanaLabel READ label)
    Q_PROPERTY(QString XAyatanaLabelGuide READ labelGuide)

public:
    // Puts the item and its menu on bus, untitled; it shows once its service
    // is registered with a watcher.
    explicit StatusNotifierItem(QDBusConnection bus, QObject* parent = nullptr);

    void setMenu(QMenu* menu);
    // The title to show; none shows the untitled look.
    void setTitle(const AttributedText* title);

    QString category() const { return QStringLiteral("ApplicationStatus"); }
    QString id() const { return QStringLiteral("ratelark"); }
    QString title() const { return QStringLiteral("RateLark"); }
    QString status() const { return QStringLiteral("Active"); }
    int windowId() const { return 0; }
    QString noName() const { return {}; }
    DBusImageList noPictures() const { return {}; }
    const DBusImageList& iconPixmap() const { return pictures_; }
    DBusToolTip toolTip() const;
    bool itemIsMenu() const { return true; }
    QDBusObjectPath menu() const;
    const QString& label() const { return label_; }
    const QString& labelGuide() const { return labelGuide_; }

public slots:
    // A click: the host opens the menu, as ItemIsMenu asks. Answered as an
    // unknown method, which hosts take as "no activation" rather than a fault.
    void Activate(int x, int y);
    // A menu of RateLark's own is never popped up; the host draws the menu.
    void ContextMenu(int x, int y);
    // A middle click and the wheel have nothing to do here.
    void SecondaryActivate(int x, int y);
    void Scroll(int delta, const QString& orientation);
    // The token lets a window that a menu command opens come to the front
    // under Wayland; Qt takes it from the environment when it activates one.
    void ProvideXdgActivationToken(const QString& token);

signals:
    // Title and Status never change, so these two are never sent.
    void NewTitle();
    void NewStatus(const QString& status);
    void NewIcon();
    void NewToolTip();
    void XAyatanaNewLabel(const QString& label, const QString& guide);

private:
    // The tool-tip: title over the texts of the menu's items marked for it.
    void updateToolTip(const QString& title);
    void refuseActivation();

    DBusMenuExporter menuExporter_;
    QPointer<QMenu> menu_;
    QList<QMetaObject::Connection> toolTipWatches_;
    // What the pictures are drawn from.
    struct PictureSource {
        QString text;
        std::vector<ColorRun> runs;
        QString narrowText;
        std::vector<ColorRun> narrowRuns;
        std::optional<QFont> font;
        bool operator==(const PictureSource&) const = default;
    };

    DBusImageList pictures_;
    std::optional<PictureSource> drawnFrom_;
    QString label_;
    QString labelGuide_;
    QString toolTipTitle_;
    QString toolTipText_;
};

}  // namespace ratelark
