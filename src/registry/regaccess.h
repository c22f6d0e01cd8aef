/* The only place where the program touches the registry. */
#ifndef VELKOR_REGACCESS_H
#define VELKOR_REGACCESS_H

#include <windows.h>

#include "registry/confirmtext.h"

/* Splits "ROOT\subkey" (HKEY_CURRENT_USER or HKEY_LOCAL_MACHINE); subkey points into path. 0 when
   the root is neither. */
int ParseRegistryPath(const char *path, HKEY *root, const char **subkey);
/* Stores the text as REG_EXPAND_SZ with its terminating zero, whatever type the value had; deletes
   the value (one that is not there counts as deleted). ERROR_SUCCESS or why not; nothing shown. */
LONG StoreEnvValue(const char *path, const char *name, const char *text);
LONG RemoveEnvValue(const char *path, const char *name);

/* The editor's forms (regreport.cpp), which show every failure in a message box.
   SplitRegistryPath: as ParseRegistryPath, 0 after "Incorrect registry key!" was shown. */
int SplitRegistryPath(const char *path, HKEY *root, const char **subkey);
char *ReadEnvValue(const char *path, const char *name);            /* new text, or NULL */
int WriteEnvValue(const char *path, const char *name, const char *text);
int DeleteEnvValue(const char *path, const char *name);
/* Whether the key of a registry path refuses this process the right to set or delete its values
   (a standard user under HKEY_LOCAL_MACHINE): non-zero only for a refusal, not for a key that is
   missing. Nothing is shown to the user. */
int KeyRefusesChanges(const char *path);

/* A value exactly as it is stored, read through the wide registry calls so that every character
   is kept: its type and its bytes (UTF-16 for the string types). Nothing is shown to the user:
   the caller decides what to tell. */
typedef struct StoredValue {
    LONG status;   /* ERROR_SUCCESS; ERROR_FILE_NOT_FOUND when the key is there but the value is
                      not; otherwise why the key or the value could not be read */
    BOOL keyOpened;   /* FALSE when the key itself could not be opened */
    DWORD type;
    BYTE *bytes;   /* malloc'ed, size bytes and three zero bytes more; NULL unless status is 0 */
    DWORD size;
} StoredValue;

/* Fills *value; returns non-zero when the value was read (status ERROR_SUCCESS). */
int ReadStoredValue(const char *path, const char *name, StoredValue *value);
void ReleaseStoredValue(StoredValue *value);
/* Whether two reads found the same thing: both absent, or the same type and bytes. */
int SameStoredValue(const StoredValue *a, const StoredValue *b);
/* Whether two reads found the same thing, a failure included: SameStoredValue, or the same
   failure to read. */
int SameReadResult(const StoredValue *a, const StoredValue *b);
/* Whether the read found the key but not the value. */
BOOL StoredValueAbsent(const StoredValue *value);
/* Fills *value with what a read finds after a section's value has been stored: text written by
   WriteEnvValue (REG_EXPAND_SZ, the text in UTF-16 with its zero), or, for an empty section's
   text or NULL, the value deleted by DeleteEnvValue (absent). Release it as a read
   value; when memory runs out its status is ERROR_NOT_ENOUGH_MEMORY. */
void WrittenStoredValue(const char *text, StoredValue *value);
/* Whether a REG_SZ or REG_EXPAND_SZ value holds a character after a zero character: its text,
   which ends at the first zero, would lose what follows. */
int StoredValueCut(const StoredValue *value);
/* Whether, and why, a value as read must be left exactly as it is stored (struct LeftAsStored): a
   value of another type than REG_SZ and REG_EXPAND_SZ, a string with text after a zero, or one
   that the process's code page cannot hold (or that memory ran out to convert). */
struct LeftAsStored LeftAsStoredOf(const StoredValue *value);
/* A UTF-16 text in the process's code page (a new text, ReleaseText), a character that the code
   page cannot hold as '?' (never a look-alike); NULL when memory runs out. *exact (may be NULL)
   tells whether every character came across unchanged. */
char *TextOfCodePage(const WCHAR *wide, BOOL *exact);
/* The value as a text of the process's code page (a new text, ReleaseText): a string type up to
   its first zero character, another type as its bytes up to the first zero byte, an absent value
   as "". *exact (may be NULL) tells whether every character came across unchanged. NULL when
   memory runs out. */
char *StoredValueText(const StoredValue *value, BOOL *exact);
/* A name of the process's code page as a new UTF-16 text (free it), or NULL. */
WCHAR *WideFromText(const char *text);
/* The name and the type of each value under the key of a registry path, read through the wide
   calls, each name as a new text of the process's code page. Nothing is shown to the user.
   Returns non-zero with *names (ReleaseValueNames) and *count; 0 when the key could not be
   read, with no names. */
typedef struct ValueName {
    char *name;
    DWORD type;
} ValueName;
int ReadValueNames(const char *path, ValueName **names, size_t *count);
void ReleaseValueNames(ValueName *names, size_t count);
/* A UTF-16 text as a new UTF-8 text (ReleaseText), or NULL. */
char *Utf8FromWide(const WCHAR *wide);
/* A text of the process's code page as a new UTF-8 text (ReleaseText), or NULL. */
char *Utf8FromText(const char *text);

#endif
