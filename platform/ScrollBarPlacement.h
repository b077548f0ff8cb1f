// Scroll bars placed beside a pane with the system's thickness across.
#pragma once

class QWidget;

// Moves the scroll bar to (x, y) with the system's thickness across and
// length along; 0 when there is no scroll bar.
int PlaceScrollBar(QWidget* bar, int x, int y, int length, bool vertical);
void PlaceVerticalScrollBar(QWidget* bar, int x, int y, int length);
void PlaceHorizontalScrollBar(QWidget* bar, int x, int y, int length);
