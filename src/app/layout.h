/* Where the entry list and the edit field go in the main window's client area. No Win32 here. */
#ifndef VELKOR_LAYOUT_H
#define VELKOR_LAYOUT_H

#define LAYOUT_DEFAULT_ITEM_HEIGHT 20   /* used when the list cannot tell its row height */

struct ControlBox {
    int left, top, width, height;
};

/* The list fills the client area above the edit field, which is one row plus 4 pixels high:
   a 1-pixel margin at the left, right and top, a 1-pixel gap, a 2-pixel margin at the bottom.
   A negative itemHeight (the list's LB_ERR) stands for the default row height. A width or height
   that the client area cannot hold comes out as 0. */
void ComputeLayout(int clientWidth, int clientHeight, int itemHeight,
                   struct ControlBox *edit, struct ControlBox *list);

#endif
