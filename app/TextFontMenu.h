// The Text menu's Font item: a submenu of the system's scalable faces,
// built the first time it opens, each applied to the edited text block.
#pragma once

class QAction;
class QWidget;

void AttachTextFontMenu(QAction* fontItem, QWidget* owner);
