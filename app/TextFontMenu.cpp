#include "app/TextFontMenu.h"

#include "editor/TextBlocks.h"

#include <QAction>
#include <QMenu>

void AttachTextFontMenu(QAction* fontItem, QWidget* owner)
{
    auto* menu = new QMenu(owner);
    fontItem->setMenu(menu);
    QObject::connect(menu, &QMenu::aboutToShow, menu, [menu] {
        if (menu->isEmpty()) {
            for (const QString& face : TextMenuFaces()) {
                QAction* item = menu->addAction(face);
                item->setCheckable(true);
                QObject::connect(item, &QAction::triggered, item, [face] { SetTextMenuFace(face); });
            }
        }
        COurEdit* box = CurrentTextBox();
        const QString current = GetSelectionFaceName(box);
        for (QAction* item : menu->actions()) {
            item->setEnabled(box != nullptr);
            item->setChecked(item->text() == current);
        }
    });
}
