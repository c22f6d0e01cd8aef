#include "output/fileformat.h"
#include "common/texts.h"

#include <stdlib.h>
#include <string.h>

void StartTextFile(TextFile *file, TextSink sink, void *context)
{
    file->sink = sink;
    file->context = context;
    file->used = 0;
    file->failed = 0;
}

static void FlushBuffer(TextFile *file)
{
    if (file->used > 0 && !file->failed && !file->sink(file->context, file->buffer, file->used))
        file->failed = 1;
    file->used = 0;
}

/* Room is kept for two bytes, so that a CR and its LF always go into the buffer together. */
static void PutByte(TextFile *file, char byte)
{
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

void WriteBackupHead(TextFile *file)
{
    WriteText(file, "REGEDIT4\n");
}

void WriteBackupBlock(TextFile *file, const char *keyPath, const char *name, const char *value)
{
    if (value == NULL || value[0] == '\0')
        return;
    WriteText(file, "\n[");
    WriteText(file, keyPath);
    WriteText(file, "]\n\"");
    WriteText(file, name);
    WriteText(file, "\"=\"");
    WriteEscapedValue(file, value);
    WriteText(file, "\"\n");
}

/* A growing buffer in memory, the sink of the Compose functions. */
typedef struct MemoryText {
    char *bytes;
    size_t length;
    size_t capacity;
} MemoryText;

static int AppendToMemory(void *context, const char *bytes, size_t count)
{
    MemoryText *memory = (MemoryText *)context;
    if (memory->length + count > memory->capacity) {
        size_t capacity = (memory->length + count) * 2;
        char *grown = (char *)realloc(memory->bytes, capacity);
        if (grown == NULL)
            return 0;
        memory->bytes = grown;
        memory->capacity = capacity;
    }
    memcpy(memory->bytes + memory->length, bytes, count);
    memory->length += count;
    return 1;
}

/* Hands the composed bytes to the caller, or frees them when a write failed. */
static char *FinishMemoryText(TextFile *file, MemoryText *memory, size_t *length)
{
    if (!FinishTextFile(file) || AppendToMemory(memory, "", 1) == 0) {
        free(memory->bytes);
        *length = 0;
        return NULL;
    }
    *length = memory->length - 1;   /* the zero added above is not part of the file */
    return memory->bytes;
}

char *ComposeExportFile(const char *name, const char *const *rows, int count, size_t *length)
{
    MemoryText memory = {NULL, 0, 0};
    TextFile *file = (TextFile *)malloc(sizeof *file);
    char *result;
    int i;

    if (file == NULL) {
        *length = 0;
        return NULL;
    }
    StartTextFile(file, AppendToMemory, &memory);
    WriteExportHead(file, name);
    for (i = 0; i < count; i++)
        WriteExportRow(file, rows[i]);
    result = FinishMemoryText(file, &memory, length);
    free(file);
    return result;
}

char *ComposeBackupFile(const char *name, const char *userValue, const char *machineValue,
                        size_t *length)
{
    MemoryText memory = {NULL, 0, 0};
    TextFile *file = (TextFile *)malloc(sizeof *file);
    char *result;

    if (file == NULL) {
        *length = 0;
        return NULL;
    }
    StartTextFile(file, AppendToMemory, &memory);
    WriteBackupHead(file);
    WriteBackupBlock(file, USER_ENV_KEY, name, userValue);
    WriteBackupBlock(file, MACHINE_ENV_KEY, name, machineValue);
    result = FinishMemoryText(file, &memory, length);
    free(file);
    return result;
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
