/* The update's questions: a message box when the text fits the screen, otherwise a dialog of the
   program's own that shows the whole text in a scrolling list with the same buttons. */
#ifndef VELKOR_QUESTION_H
#define VELKOR_QUESTION_H

#include <windows.h>

/* buttons: MB_YESNO or MB_YESNOCANCEL; the warning icon is always shown and Yes is the default
   button. Returns IDYES, IDNO or IDCANCEL as a message box would, 0 when nothing could be shown. */
int AskQuestion(const char *text, UINT buttons);

/* The dialog shows the text in a list, a row for each line and long lines in several rows. A
   row's item data is QUESTION_ROW_CONTINUES when the next row goes on with its line, 0 when its
   line ends with it. */
#define QUESTION_ROW_CONTINUES 1

INT_PTR CALLBACK QuestionDialogProc(HWND dlg, UINT msg, WPARAM wParam, LPARAM lParam);

#endif
