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

/* The status bar takes the bottom statusHeight pixels across the client area; returns the height
   left above it for ComputeLayout (0 when none is left). */
int ComputeStatusBar(int clientWidth, int clientHeight, int statusHeight, struct ControlBox *status);

/* The dialog that shows a question too long for a message box: the icon at the top left, the text
   to its right down to the row of buttons, the buttons centred at the bottom, margin pixels
   between them and around them. Sizes that the client area cannot hold come out as 0. */
#define QUESTION_MAX_BUTTONS 3
struct QuestionLayout {
    struct ControlBox icon, text, buttons[QUESTION_MAX_BUTTONS];
};
void ComputeQuestionLayout(int clientWidth, int clientHeight, int buttonCount, int buttonWidth,
                           int buttonHeight, int iconSize, int margin, struct QuestionLayout *layout);

/* Whether a message box fits the work area when its text measures textWidth by textHeight pixels:
   around the text come the icon, the button row and the margins (measured in lines of the
   message font) and the caption. */
int MessageBoxFits(int textWidth, int textHeight, int lineHeight, int captionHeight, int iconSize,
                   int workWidth, int workHeight);

/* A quick answer for texts of any length, before measuring how they wrap: the sum of the widths of
   all their lines, textExtent, cannot be laid out in the largest text area that fits. */
int MessageBoxCannotFit(long long textExtent, int lineHeight, int captionHeight, int iconSize,
                        int workWidth, int workHeight);

/* Shrinks a window's box to the area's size where it is larger, then moves it into the area. */
void FitBoxIntoArea(struct ControlBox *box, const struct ControlBox *area);

#endif
