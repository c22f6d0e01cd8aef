#include "output/outfile.h"

/* The sink of the file's text: hands the bytes to WriteFile and keeps the first failure. */
static int WriteToDisk(void *context, const char *bytes, size_t count)
{
    OutFile *file = (OutFile *)context;
    DWORD written = 0;

    if (!WriteFile(file->handle, bytes, (DWORD)count, &written, NULL)) {
        file->error = GetLastError();
        if (file->error == 0)
            file->error = ERROR_WRITE_FAULT;
        return 0;
    }
    if (written != count) {   /* a short write on a disk file: it is full */
        file->error = ERROR_DISK_FULL;
        return 0;
    }
    return 1;
}

int OpenOutFile(OutFile *file, const char *path)
{
    /* Others may read the file meanwhile, but nobody else writes into it. */
    file->handle = CreateFileA(path, GENERIC_WRITE, FILE_SHARE_READ, NULL,
                               CREATE_ALWAYS, FILE_ATTRIBUTE_NORMAL, NULL);
    if (file->handle == INVALID_HANDLE_VALUE)
        return 0;
    file->error = 0;
    StartTextFile(&file->text, WriteToDisk, file);
    return 1;
}

int CreateUnicodeOutFile(OutFile *file, const WCHAR *path)
{
    file->handle = CreateFileW(path, GENERIC_WRITE, FILE_SHARE_READ, NULL,
                               CREATE_NEW, FILE_ATTRIBUTE_NORMAL, NULL);
    if (file->handle == INVALID_HANDLE_VALUE)
        return 0;
    file->error = 0;
    StartUnicodeTextFile(&file->text, WriteToDisk, file);
    return 1;
}

DWORD FlushOutFile(OutFile *file)
{
    FinishTextFile(&file->text);
    if (!FlushFileBuffers(file->handle) && file->error == 0) {
        file->error = GetLastError();
        if (file->error == 0)
            file->error = ERROR_WRITE_FAULT;
    }
    return file->error;
}

DWORD CloseOutFile(OutFile *file)
{
    FinishTextFile(&file->text);
    if (!CloseHandle(file->handle) && file->error == 0) {
        file->error = GetLastError();
        if (file->error == 0)
            file->error = ERROR_WRITE_FAULT;
    }
    file->handle = INVALID_HANDLE_VALUE;
    return file->error;
}
