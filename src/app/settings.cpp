/* placeholder until the module lands */
#include "app/settings.h"
DWORD ReadSettingString(const char *, const char *, char *, DWORD) { return 0; }
int ReadSettingInt(const char *, int v) { return v; }
BOOL WriteSettingString(const char *, const char *) { return TRUE; }
BOOL WriteSettingInt(const char *, long) { return TRUE; }
BOOL PersistWindowPlacement(BOOL) { return TRUE; }
