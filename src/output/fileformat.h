/* The bytes of the output files: the text file that they are written through, the text export
   of the list, and the key line of the registration files (output/snapshotformat.h).
   Output files are text with CR LF line ends: a CR goes before every LF written and no other byte
   changes; there is no byte-order mark and no end-of-file byte.
   No Win32 here: the program streams these bytes into a file, the native tests into memory. */
#ifndef VELKOR_FILEFORMAT_H
#define VELKOR_FILEFORMAT_H

#include <stddef.h>

/* Where a TextFile's finished bytes go. Returns non-zero when all count bytes were taken. */
typedef int (*TextSink)(void *context, const char *bytes, size_t count);

#define TEXT_FILE_BUFFER_SIZE 16384

/* A text being written: bytes gather in the buffer and go to the sink when it is full and at
   the end. After the sink has failed once, nothing more is handed to it. */
typedef struct TextFile {
    TextSink sink;
    void *context;
    size_t used;
    int failed;
    int utf16;             /* the text is UTF-8, written as UTF-16LE */
    unsigned long point;   /* UTF-16 mode: the character being decoded */
    unsigned long least;   /* UTF-16 mode: the smallest point its form may carry */
    int awaited;           /* UTF-16 mode: continuation bytes it still needs */
    char buffer[TEXT_FILE_BUFFER_SIZE];
} TextFile;

/* Bytes go to the sink as they are written (a CR added before every LF). */
void StartTextFile(TextFile *file, TextSink sink, void *context);
/* The text written is UTF-8 and reaches the sink as UTF-16LE after a byte-order mark, a CR added
   before every LF, as the registry editor's Unicode files are. A byte that is not part of a
   well-formed UTF-8 character comes out as U+FFFD. */
void StartUnicodeTextFile(TextFile *file, TextSink sink, void *context);
/* Writes text, a CR before every LF. */
void WriteText(TextFile *file, const char *text);
/* Writes text with a backslash before every backslash and every double quote, and a CR before
   every LF; no other byte changes. */
void WriteEscapedValue(TextFile *file, const char *text);
/* Hands the rest of the buffer to the sink. Returns 0 when any byte could not be written. */
int FinishTextFile(TextFile *file);

/* The text export: the line "NAME=", then one line per row of the list, text unchanged. */
void WriteExportHead(TextFile *file, const char *name);
void WriteExportRow(TextFile *file, const char *text);

/* The line that opens a key's block in a registration file: an empty line, then "[KEYPATH]". */
void WriteRegKeyLine(TextFile *file, const char *keyPath);

/* Runs write over a text file whose bytes gather in memory (UTF-16LE as StartUnicodeTextFile
   writes them when unicode is non-zero) and returns them as a new buffer (malloc'ed; free it) with
   their count in *length, or NULL when memory runs out. */
typedef void (*TextWriter)(TextFile *file, const void *context);
char *ComposeInMemory(int unicode, TextWriter write, const void *context, size_t *length);

/* The export in memory, as the program writes it: a new buffer (malloc'ed; free it) with its byte
   count in *length, or NULL when memory runs out. */
char *ComposeExportFile(const char *name, const char *const *rows, int count, size_t *length);

/* Cuts path in place before its last backslash and returns it: "C:\Data\PATH.txt" gives
   "C:\Data", "C:\PATH.txt" gives "C:", a path without a backslash after its first byte gives "".
   The walk is over bytes. */
char *CutToFolder(char *path);

/* buffer (size bytes) holds a folder, possibly empty; appends "\NAME.EXTENSION" to it. When that
   would not fit, the buffer gets "NAME.EXTENSION" alone, and the empty string when not even that
   fits. Never writes beyond size bytes. */
void ProposeFileName(char *buffer, size_t size, const char *name, const char *extension);

#endif
