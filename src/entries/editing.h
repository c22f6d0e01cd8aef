/* The editing commands of the main window and the edit field that follows the selection. */
#ifndef VELKOR_EDITING_H
#define VELKOR_EDITING_H

#include <windows.h>

void InsertEntry(void);
void InsertFolderEntry(void);
void InsertFileEntry(void);
void ModifyEntry(void);
void DeleteEntry(void);
void MoveEntryUp(void);
void MoveEntryDown(void);
/* Moves the entry row `from` into the gap above row `gap` (the row count: after the last row),
   as one undo step: the row's new index, or -1 when it did not move. CanMoveRow tells whether
   the row may go there (an empty row may, but does not move). */
BOOL CanMoveRow(int from, int gap);
int MoveRow(int from, int gap);

void SyncEditField(void);       /* handler of UM_SYNC_EDIT */
void SelectRowAndSync(int index);   /* as a selection made in the list: the edit field follows */
void SelectPreviousRow(void);   /* Up in the edit field */
void SelectNextRow(void);       /* Down in the edit field */

#endif
