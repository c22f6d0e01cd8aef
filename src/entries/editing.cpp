/* placeholder until the module lands */
#include "entries/editing.h"
void InsertEntry(void) {}
void InsertFolderEntry(void) {}
void InsertFileEntry(void) {}
void ModifyEntry(void) {}
void DeleteEntry(void) {}
void MoveEntryUp(void) {}
void MoveEntryDown(void) {}
void SyncEditField(void) {}
void SelectPreviousRow(void) {}
void SelectNextRow(void) {}
