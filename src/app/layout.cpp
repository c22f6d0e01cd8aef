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

int ComputeStatusBar(int clientWidth, int clientHeight, int statusHeight, struct ControlBox *status)
{
    int above = NotBelowZero(clientHeight - NotBelowZero(statusHeight));

    status->left = 0;
    status->top = above;
    status->width = NotBelowZero(clientWidth);
    status->height = clientHeight - above;
    return above;
}

static struct ControlBox Box(int left, int top, int width, int height)
{
    struct ControlBox box = { left, top, NotBelowZero(width), NotBelowZero(height) };
    return box;
}

void ComputeQuestionLayout(int clientWidth, int clientHeight, int buttonCount, int buttonWidth,
                           int buttonHeight, int iconSize, int margin, struct QuestionLayout *layout)
{
    int buttonTop = clientHeight - margin - buttonHeight;
    int rowWidth, left, i;

    if (buttonCount > QUESTION_MAX_BUTTONS)
        buttonCount = QUESTION_MAX_BUTTONS;
    if (buttonCount < 0)
        buttonCount = 0;
    rowWidth = buttonCount * buttonWidth + (buttonCount > 0 ? (buttonCount - 1) * margin : 0);
    left = (clientWidth - rowWidth) / 2;

    layout->icon = Box(margin, margin, iconSize, iconSize);
    layout->text = Box(2 * margin + iconSize, margin, clientWidth - 3 * margin - iconSize,
                       buttonTop - 2 * margin);
    for (i = 0; i < QUESTION_MAX_BUTTONS; i++)
        layout->buttons[i] = i < buttonCount ? Box(left + i * (buttonWidth + margin), buttonTop,
                                                   buttonWidth, buttonHeight)
                                             : Box(0, 0, 0, 0);
}

/* Around a message box's text: a margin of one line on each side and between icon and text; the
   buttons take two lines with the space above them, and a line and a half more goes to the
   margins above and below. */
static long long MaxTextWidth(int lineHeight, int iconSize, int workWidth)
{
    return (long long)workWidth - iconSize - 3LL * lineHeight;
}

static long long MaxTextHeight(int lineHeight, int captionHeight, int workHeight)
{
    return (long long)workHeight - captionHeight - 6LL * lineHeight;
}

int MessageBoxFits(int textWidth, int textHeight, int lineHeight, int captionHeight, int iconSize,
                   int workWidth, int workHeight)
{
    return (long long)textWidth <= MaxTextWidth(lineHeight, iconSize, workWidth) &&
           (long long)textHeight <= MaxTextHeight(lineHeight, captionHeight, workHeight);
}

int MessageBoxCannotFit(long long textExtent, int lineHeight, int captionHeight, int iconSize,
                        int workWidth, int workHeight)
{
    long long width = MaxTextWidth(lineHeight, iconSize, workWidth);
    long long lines = MaxTextHeight(lineHeight, captionHeight, workHeight) / (lineHeight > 0 ? lineHeight : 1);

    if (width <= 0 || lines <= 0)
        return 1;
    return textExtent > width * lines;
}

void FitBoxIntoArea(struct ControlBox *box, const struct ControlBox *area)
{
    if (box->width > area->width)
        box->width = area->width;
    if (box->height > area->height)
        box->height = area->height;
    if (box->left + box->width > area->left + area->width)
        box->left = area->left + area->width - box->width;
    if (box->top + box->height > area->top + area->height)
        box->top = area->top + area->height - box->height;
    if (box->left < area->left)
        box->left = area->left;
    if (box->top < area->top)
        box->top = area->top;
}
