/* The mouse on the entry list: an entry row dragged to a gap between two rows moves there, and
   files and folders dropped from Explorer go in after the row under the cursor. */
#ifndef VELKOR_LISTDRAG_H
#define VELKOR_LISTDRAG_H

#include <windows.h>

/* Subclasses the list and lets it take dropped files; once, when the main window is created. */
void StartListDragAndDrop(HWND list);

#endif
