/* placeholder until the module lands */
#include "common/common.h"
#include "entries/entrylist.h"
void ClearList(void) {}
int GetRowCount(void) { return 0; }
int GetSelectedRow(void) { return -1; }
int AddRow(const char *, LPARAM) { return -1; }
int InsertEntryRow(const char *, int) { return -1; }
void DeleteRow(int) {}
int GetRowTextLength(int) { return -1; }
char *CopyRowText(int) { return NULL; }
LRESULT GetRowData(int) { return -1; }
char *JoinSection(int) { return NULL; }
void ParseValueIntoList(char *) {}
