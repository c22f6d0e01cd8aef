#include "console/conout.h"
#include "registry/regaccess.h"

#include <stdio.h>
#include <stdlib.h>
#include <string.h>

static char *s_out;
static size_t s_used, s_size;

/* Writes a text of the process's code page to the handle: UTF-16 to a console, UTF-8 elsewhere. */
static void WriteTo(DWORD which, const char *text, size_t length)
{
    HANDLE handle = GetStdHandle(which);
    DWORD mode, written;
    int units = length ? MultiByteToWideChar(CP_ACP, 0, text, (int)length, NULL, 0) : 0;
    WCHAR *wide = (WCHAR *)malloc(((size_t)units + 1) * sizeof(WCHAR));
    char *utf8;

    if (handle == NULL || handle == INVALID_HANDLE_VALUE || wide == NULL || units <= 0) {
        free(wide);
        return;
    }
    MultiByteToWideChar(CP_ACP, 0, text, (int)length, wide, units);
    wide[units] = L'\0';
    if (GetConsoleMode(handle, &mode)) {
        /* The console takes a bounded amount at a time. */
        int at = 0;
        while (at < units) {
            DWORD chunk = (DWORD)(units - at < 8192 ? units - at : 8192);
            if (!WriteConsoleW(handle, wide + at, chunk, &written, NULL) || written == 0)
                break;
            at += (int)written;
        }
    } else {
        utf8 = Utf8FromWide(wide);
        if (utf8)
            WriteFile(handle, utf8, (DWORD)strlen(utf8), &written, NULL);
        free(utf8);
    }
    free(wide);
}

void Out(const char *text)
{
    size_t length = strlen(text);

    if (s_used + length + 1 > s_size) {
        size_t size = (s_used + length + 1) * 2;
        char *larger = (char *)realloc(s_out, size);
        if (larger == NULL) {
            FlushOut();
            WriteTo(STD_OUTPUT_HANDLE, text, length);
            return;
        }
        s_out = larger;
        s_size = size;
    }
    memcpy(s_out + s_used, text, length);
    s_used += length;
}

void OutLine(const char *text)
{
    Out(text);
    Out("\r\n");
}

void FlushOut(void)
{
    if (s_used > 0)
        WriteTo(STD_OUTPUT_HANDLE, s_out, s_used);
    s_used = 0;
}

void ErrLine(const char *text)
{
    WriteTo(STD_ERROR_HANDLE, text, strlen(text));
    WriteTo(STD_ERROR_HANDLE, "\r\n", 2);
}

void ErrWords(const char *what, const char *text)
{
    WriteTo(STD_ERROR_HANDLE, what, strlen(what));
    WriteTo(STD_ERROR_HANDLE, ": ", 2);
    ErrLine(text);
}

void ErrSystem(const char *what, DWORD code)
{
    WCHAR *wide = NULL;
    char *text, line[64];

    FormatMessageW(FORMAT_MESSAGE_FROM_SYSTEM | FORMAT_MESSAGE_ALLOCATE_BUFFER | FORMAT_MESSAGE_IGNORE_INSERTS,
                   NULL, code, MAKELANGID(LANG_NEUTRAL, SUBLANG_DEFAULT), (LPWSTR)&wide, 0, NULL);
    text = wide ? TextOfCodePage(wide, NULL) : NULL;
    if (wide)
        LocalFree(wide);
    /* The system may have no text for a code; the user still learns which code it was. */
    snprintf(line, sizeof line, "Error %lu", (unsigned long)code);
    if (text && text[0]) {
        size_t length = strlen(text);
        while (length > 0 && (text[length - 1] == '\n' || text[length - 1] == '\r'))
            text[--length] = '\0';
    }
    ErrWords(what, text && text[0] ? text : line);
    free(text);
}
