/* The program's own folder, %LOCALAPPDATA%\Velkor, which holds its settings and its snapshots. The
   path is found and made through the wide calls, so that a user folder named in any script works
   whatever the process's code page. */
#ifndef VELKOR_APPFOLDER_H
#define VELKOR_APPFOLDER_H

#include <windows.h>

/* Room for a path in the program's folder, in UTF-16 units. */
#define APP_FOLDER_SIZE 1024

/* The program's folder under %LOCALAPPDATA% (the system's local application data folder when the
   variable is not set) into folder (APP_FOLDER_SIZE units); with make, the folder is made when it
   is missing. 0 or the error code. */
DWORD FindAppFolder(WCHAR *folder, BOOL make);

/* Appends \part to folder (APP_FOLDER_SIZE units); with make, makes that folder unless it is
   there. 0 or the error code; a file standing where the folder should be gives
   ERROR_ALREADY_EXISTS. */
DWORD AddFolder(WCHAR *folder, const WCHAR *part, BOOL make);

/* folder\name as a new UTF-16 path (free it), name being UTF-8; NULL when memory runs out. */
WCHAR *JoinFolderPath(const WCHAR *folder, const char *name);

/* The names (UTF-8) of the files of folder that match pattern ("*.reg"), in no order: a new
   array of new texts (FreeFileNames), or NULL with *count 0 when there are none. A name that
   memory cannot hold is left out. */
char **ListFolderFiles(const WCHAR *folder, const char *pattern, size_t *count);
void FreeFileNames(char **names, size_t count);

/* The first most bytes of the file (all of it when most is 0; a file of 1 GB or more is refused),
   in a new buffer with a zero after (free it), their count in *got. 0 or the error code, *bytes
   NULL then. */
DWORD ReadFileStart(const WCHAR *path, size_t most, char **bytes, size_t *got);

/* Writes length bytes into the file path, opened as disposition says (CREATE_NEW, CREATE_ALWAYS)
   and not shared; with flush, on the disk before it is closed. 0 or the error code: a file that
   cannot be opened is left as it is (CREATE_NEW gives ERROR_FILE_EXISTS), one that was opened and
   then failed is deleted. */
DWORD WriteWholeFile(const WCHAR *path, DWORD disposition, const char *bytes, size_t length, BOOL flush);

#endif
