#include "output/fileformat.h"
#include "common/textbuild.h"

#include <stdlib.h>
#include <string.h>

void StartTextFile(TextFile *file, TextSink sink, void *context)
{
    file->sink = sink;
    file->context = context;
    file->used = 0;
    file->failed = 0;
    file->utf16 = 0;
    file->point = 0;
    file->least = 0;
    file->awaited = 0;
}

static void PutUnit(TextFile *file, unsigned unit)
{
    file->buffer[file->used++] = (char)(unit & 0xFF);
    file->buffer[file->used++] = (char)(unit >> 8);
}

void StartUnicodeTextFile(TextFile *file, TextSink sink, void *context)
{
    StartTextFile(file, sink, context);
    file->utf16 = 1;
    PutUnit(file, 0xFEFF);
}

static void FlushBuffer(TextFile *file)
{
    if (file->used > 0 && !file->failed && !file->sink(file->context, file->buffer, file->used))
        file->failed = 1;
    file->used = 0;
}

/* One character as UTF-16LE: a CR before an LF, a surrogate pair above U+FFFF. The buffer keeps
   room for the longest, 4 bytes, so that a pair is never split between two writes. */
static void PutCharacter(TextFile *file, unsigned long point)
{
    if (file->used + 4 > TEXT_FILE_BUFFER_SIZE)
        FlushBuffer(file);
    if (point == '\n')
        PutUnit(file, '\r');
    if (point > 0xFFFF) {
        point -= 0x10000;
        PutUnit(file, (unsigned)(0xD800 + (point >> 10)));
        PutUnit(file, (unsigned)(0xDC00 + (point & 0x3FF)));
    } else {
        PutUnit(file, (unsigned)point);
    }
}

/* Decodes UTF-8 one byte at a time. An overlong form, a surrogate, a point beyond U+10FFFF, a
   stray continuation byte or a character cut short each give one U+FFFD. */
static void PutUtf8Byte(TextFile *file, unsigned char byte)
{
    if (file->awaited > 0) {
        if ((byte & 0xC0) == 0x80) {
            file->point = (file->point << 6) | (byte & 0x3F);
            if (--file->awaited > 0)
                return;
            if (file->point < file->least || file->point > 0x10FFFF ||
                (file->point >= 0xD800 && file->point <= 0xDFFF))
                file->point = 0xFFFD;
            PutCharacter(file, file->point);
            return;
        }
        file->awaited = 0;
        PutCharacter(file, 0xFFFD);   /* the character was cut short; this byte starts anew */
    }
    if (byte < 0x80) {
        PutCharacter(file, byte);
        return;
    }
    if ((byte & 0xE0) == 0xC0) {
        file->point = byte & 0x1F;
        file->awaited = 1;
        file->least = 0x80;
    } else if ((byte & 0xF0) == 0xE0) {
        file->point = byte & 0x0F;
        file->awaited = 2;
        file->least = 0x800;
    } else if ((byte & 0xF8) == 0xF0) {
        file->point = byte & 0x07;
        file->awaited = 3;
        file->least = 0x10000;
    } else {
        PutCharacter(file, 0xFFFD);
    }
}

/* Room is kept for two bytes, so that a CR and its LF always go into the buffer together. */
static void PutByte(TextFile *file, char byte)
{
    if (file->utf16) {
        PutUtf8Byte(file, (unsigned char)byte);
        return;
    }
    if (file->used + 2 > TEXT_FILE_BUFFER_SIZE)
        FlushBuffer(file);
    if (byte == '\n')
        file->buffer[file->used++] = '\r';
    file->buffer[file->used++] = byte;
}

void WriteText(TextFile *file, const char *text)
{
    for (; *text; text++)
        PutByte(file, *text);
}

void WriteEscapedValue(TextFile *file, const char *text)
{
    for (; *text; text++) {
        if (*text == '\\' || *text == '"')
            PutByte(file, '\\');
        PutByte(file, *text);
    }
}

int FinishTextFile(TextFile *file)
{
    if (file->utf16 && file->awaited > 0) {
        file->awaited = 0;
        PutCharacter(file, 0xFFFD);   /* the text ended inside a character */
    }
    FlushBuffer(file);
    return !file->failed;
}

void WriteExportHead(TextFile *file, const char *name)
{
    WriteText(file, name);
    WriteText(file, "=\n");
}

void WriteExportRow(TextFile *file, const char *text)
{
    WriteText(file, text);
    WriteText(file, "\n");
}

void WriteRegKeyLine(TextFile *file, const char *keyPath)
{
    WriteText(file, "\n[");
    WriteText(file, keyPath);
    WriteText(file, "]\n");
}

/* The sink of ComposeInMemory. */
static int AppendToMemory(void *context, const char *bytes, size_t count)
{
    GrowingText *memory = (GrowingText *)context;

    AppendBytes(memory, bytes, count);
    return !memory->failed;
}

char *ComposeInMemory(int unicode, TextWriter write, const void *context, size_t *length)
{
    GrowingText memory = {NULL, 0, 0, 0};
    TextFile *file = (TextFile *)malloc(sizeof *file);   /* 16 KB: kept off the stack */
    char *text;
    int written;

    *length = 0;
    if (file == NULL)
        return NULL;
    if (unicode)
        StartUnicodeTextFile(file, AppendToMemory, &memory);
    else
        StartTextFile(file, AppendToMemory, &memory);
    write(file, context);
    written = FinishTextFile(file);
    free(file);
    AppendBytes(&memory, "", 0);   /* an empty file is an empty text */
    text = FinishText(&memory);
    if (!written || text == NULL) {
        free(text);
        return NULL;
    }
    *length = memory.length;
    return text;
}

struct ExportRows {
    const char *name;
    const char *const *rows;
    int count;
};

static void WriteExportRows(TextFile *file, const void *context)
{
    const struct ExportRows *export_ = (const struct ExportRows *)context;
    int i;

    WriteExportHead(file, export_->name);
    for (i = 0; i < export_->count; i++)
        WriteExportRow(file, export_->rows[i]);
}

char *ComposeExportFile(const char *name, const char *const *rows, int count, size_t *length)
{
    struct ExportRows export_ = {name, rows, count};
    return ComposeInMemory(0, WriteExportRows, &export_, length);
}

char *CutToFolder(char *path)
{
    size_t last = 0;
    size_t i;

    for (i = 0; path[i] != '\0'; i++)
        if (path[i] == '\\')
            last = i;
    path[last] = '\0';
    return path;
}

void ProposeFileName(char *buffer, size_t size, const char *name, const char *extension)
{
    const char *end = (const char *)memchr(buffer, '\0', size);
    size_t folder = end ? (size_t)(end - buffer) : size;
    size_t nameLength = strlen(name);
    size_t extensionLength = strlen(extension);
    size_t fileLength = nameLength + 1 + extensionLength;   /* NAME.EXTENSION */
    char *file;

    if (size == 0)
        return;
    if (end != NULL && fileLength + 1 <= size - folder - 1) {
        buffer[folder] = '\\';
        file = buffer + folder + 1;
    } else if (fileLength < size) {
        file = buffer;
    } else {
        buffer[0] = '\0';
        return;
    }
    memcpy(file, name, nameLength);
    file[nameLength] = '.';
    memcpy(file + nameLength + 1, extension, extensionLength + 1);
}
