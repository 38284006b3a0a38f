#include "app/PreferenceKeys.h"
#include "tests/support/Harness.h"

#include <gtest/gtest.h>

#include <QAction>
#include <QApplication>
#include <QCheckBox>
#include <QCoreApplication>
#include <QDialog>
#include <QEvent>
#include <QGuiApplication>
#include <QScreen>
#include <QWidget>
#include <QWindow>

namespace ratelark {
namespace {

using testing::Harness;

// Counts the close events a window receives.
class CloseCounter : public QObject {
public:
    int closes = 0;

protected:
    bool eventFilter(QObject*, QEvent* event) override {
        if (event->type() == QEvent::Close) ++closes;
        return false;
    }
};

Harness::Options storing(const QString& settings) {
    Harness::Options options;
    options.settingsFile = (QStringLiteral("[General]\n") + settings).toUtf8();
    return options;
}

QAction* showWindowItem(Harness& harness) {
    return qobject_cast<QAction*>(harness.ui.named.value(QStringLiteral("itemShowWindow")));
}

QCheckBox* checkBox(Harness& harness, const QString& name) {
    return qobject_cast<QCheckBox*>(harness.ui.named.value(name));
}

int countOf(const QString& text, const QString& part) { return static_cast<int>(text.count(part)); }

void settle() { QCoreApplication::processEvents(); }

TEST(SpeedWindow, StaysHiddenAtStartWhenNotWished) {
    Harness harness;
    harness.start();
    EXPECT_FALSE(harness.controller().panel()->isVisible());
    EXPECT_FALSE(showWindowItem(harness)->isChecked());
    EXPECT_FALSE(checkBox(harness, QStringLiteral("checkShowWindow"))->isChecked());
}

TEST(SpeedWindow, ShowsAtStartWithoutFocusAndMarked) {
    Harness harness(storing(QStringLiteral("showWindow=1\n")));
    harness.start();
    QWidget* panel = harness.controller().panel();
    EXPECT_TRUE(panel->isVisible());
    EXPECT_TRUE(panel->testAttribute(Qt::WA_ShowWithoutActivating));
    EXPECT_TRUE(showWindowItem(harness)->isChecked());
    EXPECT_TRUE(checkBox(harness, QStringLiteral("checkShowWindow"))->isChecked());
}

TEST(SpeedWindow, MenuCommandShowsStoresTrueAndMarksFollow) {
    Harness harness;
    harness.start();
    showWindowItem(harness)->trigger();
    EXPECT_TRUE(harness.controller().panel()->isVisible());
    EXPECT_TRUE(harness.settings().boolForKey(keys::showWindow));
    EXPECT_TRUE(harness.reopenSettings()->boolForKey(keys::showWindow));
    EXPECT_TRUE(showWindowItem(harness)->isChecked());
    EXPECT_TRUE(checkBox(harness, QStringLiteral("checkShowWindow"))->isChecked());
}

TEST(SpeedWindow, MenuCommandHidesStoresFalseAndSendsNoClose) {
    Harness harness(storing(QStringLiteral("showWindow=1\n")));
    harness.start();
    CloseCounter closes;
    harness.controller().panel()->installEventFilter(&closes);
    showWindowItem(harness)->trigger();
    settle();
    EXPECT_FALSE(harness.controller().panel()->isVisible());
    EXPECT_EQ(closes.closes, 0);
    const QVariant stored = harness.reopenSettings()->valueForKey(keys::showWindow);
    EXPECT_FALSE(boolValue(stored));
    EXPECT_NE(stored.toString(), QStringLiteral("0"));  // the command's false, not a close's "0"
    EXPECT_FALSE(showWindowItem(harness)->isChecked());
    EXPECT_FALSE(checkBox(harness, QStringLiteral("checkShowWindow"))->isChecked());
}

TEST(SpeedWindow, CheckBoxShowsAndHidesByItsOwnState) {
    Harness harness;
    harness.start();
    QCheckBox* box = checkBox(harness, QStringLiteral("checkShowWindow"));
    CloseCounter closes;
    harness.controller().panel()->installEventFilter(&closes);

    box->click();
    EXPECT_TRUE(harness.controller().panel()->isVisible());
    EXPECT_TRUE(harness.reopenSettings()->boolForKey(keys::showWindow));
    EXPECT_TRUE(showWindowItem(harness)->isChecked());

    box->click();
    settle();
    EXPECT_FALSE(harness.controller().panel()->isVisible());
    EXPECT_FALSE(harness.reopenSettings()->boolForKey(keys::showWindow));
    EXPECT_FALSE(showWindowItem(harness)->isChecked());
    EXPECT_EQ(closes.closes, 0);
}

TEST(SpeedWindow, ClosingThePanelStoresZeroWhicheverWayItArrives) {
    const std::function<void(QWidget*)> ways[] = {
        [](QWidget* panel) { panel->close(); },
        [](QWidget* panel) { panel->windowHandle()->close(); },  // the close button
    };
    for (const auto& close : ways) {
        Harness harness;
        harness.start();
        showWindowItem(harness)->trigger();
        close(harness.controller().panel());
        settle();
        EXPECT_FALSE(harness.controller().panel()->isVisible());
        EXPECT_EQ(harness.reopenSettings()->valueForKey(keys::showWindow).toString(), QStringLiteral("0"));
        EXPECT_FALSE(harness.reopenSettings()->boolForKey(keys::showWindow));
        EXPECT_FALSE(showWindowItem(harness)->isChecked());
        EXPECT_FALSE(checkBox(harness, QStringLiteral("checkShowWindow"))->isChecked());
    }
}

TEST(SpeedWindow, RepeatedCloseNoticesStoreTheSameValue) {
    Harness harness(storing(QStringLiteral("showWindow=1\n")));
    harness.start();
    QWidget* panel = harness.controller().panel();
    harness.controller().windowWillClose(panel);   // as the delegate
    harness.controller().windowWillClose(panel);   // through the application-wide observation
    harness.controller().windowDidEndSheet(panel);
    EXPECT_EQ(harness.reopenSettings()->valueForKey(keys::showWindow).toString(), QStringLiteral("0"));
}

TEST(SpeedWindow, ClosingAnotherWindowWritesNothing) {
    Harness harness;
    harness.start();
    harness.controller().clickWindow(nullptr);
    harness.controller().window()->close();
    harness.controller().clickFont(nullptr);
    for (QWidget* window : QApplication::topLevelWidgets())
        if (window->isVisible() && window != harness.controller().panel()) window->close();
    harness.controller().windowWillClose(nullptr);
    settle();
    EXPECT_FALSE(harness.reopenSettings()->valueForKey(keys::showWindow).isValid());
}

TEST(SpeedWindow, TheEndOfASheetStoresZero) {
    Harness harness(storing(QStringLiteral("showWindow=1\n")));
    harness.start();
    {
        // A dialog of the whole application is no sheet of the panel.
        QDialog dialog;
        dialog.setModal(true);
        dialog.show();
        settle();
        dialog.hide();
        settle();
    }
    EXPECT_TRUE(harness.reopenSettings()->boolForKey(keys::showWindow));
    {
        QDialog sheet(harness.controller().panel());
        sheet.setWindowModality(Qt::WindowModal);
        sheet.show();
        settle();
        sheet.hide();
        settle();
    }
    EXPECT_EQ(harness.reopenSettings()->valueForKey(keys::showWindow).toString(), QStringLiteral("0"));
}

TEST(SpeedWindow, EachResizeLogsOneLineAndShowingLogsNone) {
    Harness harness(storing(QStringLiteral("showWindow=1\n")));
    harness.start();
    QWidget* panel = harness.controller().panel();
    settle();
    const QString line = QStringLiteral("windowDidResize");
    EXPECT_EQ(countOf(harness.consoleLog(), line), 0);

    panel->resize(panel->width() + 40, panel->height() + 10);
    settle();
    EXPECT_EQ(countOf(harness.consoleLog(), line), 1);

    panel->resize(panel->width() + 20, panel->height());
    settle();
    EXPECT_EQ(countOf(harness.consoleLog(), line), 2);

    panel->resize(panel->size());  // no change, no resize
    settle();
    EXPECT_EQ(countOf(harness.consoleLog(), line), 2);
}

TEST(SpeedWindow, WindowCommandCentresTheMainWindowAndShowsIt) {
    Harness harness;
    harness.start();
    QWidget* window = harness.controller().window();
    harness.controller().clickWindow(nullptr);
    settle();
    EXPECT_TRUE(window->isVisible());
    EXPECT_FALSE(harness.controller().panel()->isVisible());
    const QRect free = window->screen()->availableGeometry();
    // Before its first showing the window's frame is not known yet: the
    // window is off by at most the frame's width.
    const QMargins frame = window->windowHandle()->frameMargins();
    EXPECT_LE((window->frameGeometry().center() - free.center()).manhattanLength(),
              2 + frame.left() + frame.right() + frame.top() + frame.bottom());

    window->move(free.topLeft());
    harness.controller().clickWindow(nullptr);
    settle();
    EXPECT_LE((window->frameGeometry().center() - free.center()).manhattanLength(), 2);
}

}  // namespace
}  // namespace ratelark
