/* Where a setting is read from. The settings live in a file of the program's own; earlier versions
   kept them in a section of the per-user win.ini, which is read, never written, until the file
   has the key, so that nothing a user had is lost. No Win32 here: tested natively as well. */
#ifndef VELKOR_SETTINGSOURCE_H
#define VELKOR_SETTINGSOURCE_H

#define SETTING_FROM_FILE        0
#define SETTING_FROM_OLD_SECTION 1
#define SETTING_DEFAULT          2   /* neither has it: the caller's default */

/* fileKeys and oldKeys list the key names of the program's section in the file and in win.ini,
   as the profile functions list them: each name ended by a zero, the list by an empty name. NULL
   stands for an empty list. Names are compared as the profile functions compare them, case
   ignored. */
int ChooseSettingSource(const char *fileKeys, const char *oldKeys, const char *key);

#endif
