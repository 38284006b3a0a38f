#include "platform/WindowOrdering.h"

#include <QGuiApplication>
#include <QLayout>
#include <QScreen>
#include <QStyle>
#include <QWidget>

#include <algorithm>

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
    if (QLayout* layout = window->layout()) {
        layout->activate();
        // Wrapped text needs more height than the layout's minimum says:
        // give it what it takes at this width, so that nothing is squeezed.
        if (layout->hasHeightForWidth())
            window->resize(window->width(), std::max(window->height(), layout->totalHeightForWidth(window->width())));
    }
    const QRect frame = window->frameGeometry();
    const QRect centred = QStyle::alignedRect(Qt::LeftToRight, Qt::AlignCenter, frame.size(), screen->availableGeometry());
    window->move(centred.topLeft());
}

}  // namespace ratelark
