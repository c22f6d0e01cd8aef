/* Where a setting is read from. The settings live in a file of the program's own; earlier versions
   kept them in a section of the per-user win.ini, which is read, never written, until the file
   has the key, so that nothing a user had is lost. No Win32 here: tested natively as well. */
#ifndef VELKOR_SETTINGSOURCE_H
#define VELKOR_SETTINGSOURCE_H

#define SETTING_FROM_FILE        0
#define SETTING_FROM_OLD_SECTION 1
#define SETTING_DEFAULT          2   /* none has it: the caller's default */
#define SETTING_FROM_OLD_STORE   3   /* the VirtualStore's copy of win.ini */

/* fileKeys and oldKeys list the key names of the program's section in the file and in win.ini,
   storeKeys in the copy of win.ini that Windows kept in %LOCALAPPDATA%\VirtualStore for a 32-bit
   build without a manifest (its writes to win.ini went there), as the profile functions list them:
   each name ended by a zero, the list by an empty name. NULL stands for an empty list. Names are
   compared as the profile functions compare them, case ignored. The file wins, then win.ini, then
   its copy. */
int ChooseSettingSource(const char *fileKeys, const char *oldKeys, const char *storeKeys,
                        const char *key);

#endif
