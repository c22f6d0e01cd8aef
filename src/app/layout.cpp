/* Where the entry list and the edit field go in the main window's client area. */
#include "app/layout.h"

static int NotBelowZero(int value)
{
    return value < 0 ? 0 : value;
}

void ComputeLayout(int clientWidth, int clientHeight, int itemHeight,
                   struct ControlBox *edit, struct ControlBox *list)
{
    if (itemHeight < 0)
        itemHeight = LAYOUT_DEFAULT_ITEM_HEIGHT;

    edit->left = 1;
    edit->top = clientHeight - itemHeight - 6;
    edit->width = NotBelowZero(clientWidth - 2);
    edit->height = itemHeight + 4;

    list->left = 1;
    list->top = 1;
    list->width = NotBelowZero(clientWidth - 2);
    list->height = NotBelowZero(clientHeight - itemHeight - 8);
}
