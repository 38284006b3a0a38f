#pragma once

class QWidget;

namespace ratelark {

// Puts a window on screen in front of the others without taking the
// keyboard focus from the window that has it.
void orderFront(QWidget* window);

// Takes a window off the screen without closing it: no close event follows.
void orderOut(QWidget* window);

// Puts a window on screen in front and gives it the keyboard focus.
void makeKeyAndOrderFront(QWidget* window);

// Moves a window so that it sits in the middle of the free area of its screen.
void center(QWidget* window);

}  // namespace ratelark
