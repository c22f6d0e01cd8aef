/* An output file on disk: created when absent, emptied when present, written as text (a CR
   before every LF). Every write and the close are checked; the first failure is kept. */
#ifndef VELKOR_OUTFILE_H
#define VELKOR_OUTFILE_H

#include <windows.h>

#include "output/fileformat.h"

typedef struct OutFile {
    HANDLE handle;
    DWORD error;      /* system error code of the first failure, 0 while all went well */
    TextFile text;    /* write through this with the functions of output/fileformat.h */
} OutFile;

/* Returns 0 when the file cannot be opened; GetLastError then tells why. */
int OpenOutFile(OutFile *file, const char *path);
/* The same for a file that must not exist yet (else GetLastError gives ERROR_FILE_EXISTS), named
   by a UTF-16 path and written as UTF-16LE text (StartUnicodeTextFile). */
int CreateUnicodeOutFile(OutFile *file, const WCHAR *path);

/* Writes what is left and has the system put the file's bytes on the disk itself, not only in
   its cache, so that they outlast a power cut. 0, or the system error code of the first failure
   (which CloseOutFile then returns too). The file stays open. */
DWORD FlushOutFile(OutFile *file);

/* Writes what is left, closes the file and returns 0 when every byte was written and the close
   succeeded, else the system error code of the first failure. */
DWORD CloseOutFile(OutFile *file);

#endif
