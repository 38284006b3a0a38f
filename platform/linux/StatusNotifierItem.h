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
    Q_PROPERTY(ratelark::DBusImageList AttentionIconPixmap READ attentionPixmap)
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
    // Untitled, and on no bus until exported.
    explicit StatusNotifierItem(QObject* parent = nullptr);

    // Puts the item and its menu on bus; it shows once that connection's
    // name is registered with a watcher.
    void exportOn(QDBusConnection bus);

    void setMenu(QMenu* menu);
    // The title to show; none shows the untitled look.
    void setTitle(const AttributedText* title);

    QString category() const { return QStringLiteral("ApplicationStatus"); }
    QString id() const { return QStringLiteral("ratelark"); }
    QString title() const { return QStringLiteral("RateLark"); }
    // "NeedsAttention" while the title is critical (the data allowance used up).
    const QString& status() const { return status_; }
    int windowId() const { return 0; }
    QString noName() const { return {}; }
    DBusImageList noPictures() const { return {}; }
    const DBusImageList& iconPixmap() const { return pictures_; }
    // The same pictures in a red frame: hosts that show the attention icon
    // still show the speeds.
    const DBusImageList& attentionPixmap() const { return attentionPictures_; }
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
    // The title never changes, so this is never sent.
    void NewTitle();
    void NewStatus(const QString& status);
    void NewIcon();
    void NewAttentionIcon();
    void NewToolTip();
    void XAyatanaNewLabel(const QString& label, const QString& guide);

private:
    // The tool-tip: title over the texts of the menu's items marked for it.
    void updateToolTip(const QString& title);
    void refuseActivation();

    DBusMenuExporter menuExporter_;
    QPointer<QMenu> menu_;
    QList<QMetaObject::Connection> toolTipWatches_;
    QList<QPointer<QAction>> toolTipActions_;  // the menu's items marked for the tool-tip
    // The guide on one line, kept with the widest title it was made of.
    QString guideFrom_;
    QString guideOnOneLine_;
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
    DBusImageList attentionPictures_;
    QString status_ = QStringLiteral("Active");
    std::optional<PictureSource> drawnFrom_;
    QString label_;
    QString labelGuide_;
    QString toolTipTitle_;
    QString toolTipText_;
};

}  // namespace ratelark
