/* The editing commands of the main window and the edit field that follows the selection. */
#ifndef VELKOR_EDITING_H
#define VELKOR_EDITING_H

void InsertEntry(void);
void InsertFolderEntry(void);
void InsertFileEntry(void);
void ModifyEntry(void);
void DeleteEntry(void);
void MoveEntryUp(void);
void MoveEntryDown(void);

void SyncEditField(void);       /* handler of UM_SYNC_EDIT */
void SelectPreviousRow(void);   /* Up in the edit field */
void SelectNextRow(void);       /* Down in the edit field */

#endif
