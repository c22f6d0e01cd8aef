/* Settings kept in the profile section "Velkor" of the per-user win.ini. */
#ifndef VELKOR_SETTINGS_H
#define VELKOR_SETTINGS_H

#include <windows.h>

DWORD ReadSettingString(const char *key, const char *defaultText, char *buffer, DWORD size);
int ReadSettingInt(const char *key, int defaultValue);
BOOL WriteSettingString(const char *key, const char *text);
BOOL WriteSettingInt(const char *key, long value);
BOOL PersistWindowPlacement(BOOL save);   /* save TRUE stores, FALSE restores */

#endif
