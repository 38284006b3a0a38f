#include "platform/WindowOrdering.h"

#include <QGuiApplication>
#include <QLayout>
#include <QScreen>
#include <QStyle>
#include <QWidget>

namespace ratelark {

void orderFront(QWidget* window) {
    window->setAttribute(Qt::WA_ShowWithoutActivating);
    window->show();
    window->raise();
}

void orderOut(QWidget* window) { window->hide(); }

void makeKeyAndOrderFront(QWidget* window) {
    window->show();
    window->raise();
    window->activateWindow();
}

void center(QWidget* window) {
    QScreen* screen = window->screen() ? window->screen() : QGuiApplication::primaryScreen();
    if (!screen) return;
    // Measure the size the window will show at: its layout may still grow it.
    window->ensurePolished();
    if (QLayout* layout = window->layout()) layout->activate();
    const QRect frame = window->frameGeometry();
    const QRect centred = QStyle::alignedRect(Qt::LeftToRight, Qt::AlignCenter, frame.size(), screen->availableGeometry());
    window->move(centred.topLeft());
}

}  // namespace ratelark
