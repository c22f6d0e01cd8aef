/* Settings kept in the section "Velkor" of the program's settings file,
   %LOCALAPPDATA%\Velkor\Velkor.ini, where every user may write. A key that the file does not have
   yet is read from the section that earlier versions kept in the per-user win.ini. Texts are of
   the program's code page. */
#ifndef VELKOR_SETTINGS_H
#define VELKOR_SETTINGS_H

#include <windows.h>

DWORD ReadSettingString(const char *key, const char *defaultText, char *buffer, DWORD size);
int ReadSettingInt(const char *key, int defaultValue);
BOOL WriteSettingString(const char *key, const char *text);   /* text NULL removes the key */
BOOL WriteSettingInt(const char *key, long value);
BOOL PersistWindowPlacement(BOOL save);   /* save TRUE stores, FALSE restores */

#endif
