/* What the findings of Check all need of the system, without any window: the editor's report and
   the console program's check use them alike. */
#include "entries/checksystem.h"
#include "entries/wow64.h"
#include "registry/regaccess.h"
#include "common/texts.h"

#include <stdlib.h>
#include <string.h>

/* The expansion of source as a new text, or NULL with *error set to why (left as it is when the
   system gave a result that cannot be trusted). */
static char *ExpandText(const char *source, DWORD *error)
{
    DWORD needed = ExpandEnvironmentStringsA(source, NULL, 0);   /* counts the terminating zero */
    DWORD size, written;
    char *expanded;

    for (;;) {
        if (needed == 0) {
            *error = GetLastError();
            return NULL;
        }
        /* The size may come in characters rather than bytes (Wine gives it so in the UTF-8 code
           page), and no UTF-16 unit takes more than three bytes: room for that. */
        size = needed * 3 + 1;
        expanded = (char *)malloc(size);
        if (expanded == NULL) {
            *error = ERROR_NOT_ENOUGH_MEMORY;
            return NULL;
        }
        written = ExpandEnvironmentStringsA(source, expanded, size);
        if (written != 0 && written <= size && memchr(expanded, '\0', size) != NULL)
            return expanded;
        free(expanded);
        if (written != 0 && written <= size)
            return NULL;   /* no terminated result in a buffer said to hold it: not to be trusted */
        /* The environment has grown since it was measured (another thread may change it): the
           result did not fit, so measure again rather than use a cut or unexpanded text. A
           failure (0) is reported above. */
        needed = written;
    }
}

char *ExpandEntryTextQuietly(char *text, DWORD *error)
{
    /* A 32-bit program on 64-bit Windows expands the 64-bit Program Files folders, which the
       64-bit programs that use the path see. */
    char *wow64Text = Wow64TextToExpand(text);
    char *expanded = ExpandText(wow64Text ? wow64Text : text, error);

    free(wow64Text);
    if (expanded == NULL)
        return text;
    free(text);
    return expanded;
}

BOOL EntryExists(const char *expanded)
{
    /* A 32-bit program on 64-bit Windows tests System32 itself, not the SysWOW64 folder that the
       redirection would put in its place. */
    void *redirection;
    BOOL paused = PauseFsRedirection(&redirection);
    DWORD attributes = GetFileAttributesA(expanded);

    if (paused)
        ResumeFsRedirection(redirection);
    return attributes != INVALID_FILE_ATTRIBUTES;
}

char *ExpandForFindings(const char *text, DWORD *firstError)
{
    char *copy = (char *)malloc(strlen(text) + 1);
    DWORD error = 0;

    if (copy == NULL)
        return NULL;
    strcpy(copy, text);
    if (strchr(text, '%') == NULL)
        return copy;   /* nothing to expand: the system need not be asked */
    copy = ExpandEntryTextQuietly(copy, &error);
    if (error != 0 && firstError != NULL && *firstError == 0)
        *firstError = error;
    return copy;
}

char *ExpandForFindingsQuietly(void *context, const char *text)
{
    (void)context;
    return ExpandForFindings(text, NULL);
}

size_t TextUnitsOf(void *context, const char *text)
{
    int units = MultiByteToWideChar(CP_ACP, 0, text, -1, NULL, 0);

    (void)context;
    return units > 0 ? (size_t)units - 1 : strlen(text);
}

char *FoldTextCase(void *context, const char *text)
{
    size_t length = strlen(text), i;
    WCHAR *wide;
    char *folded;

    (void)context;
    for (i = 0; i < length && (unsigned char)text[i] < 0x80; i++)
        ;
    if (i == length) {
        /* Plain ASCII, as most paths are: folded here, without two conversions. */
        folded = (char *)malloc(length + 1);
        for (i = 0; folded && i <= length; i++)
            folded[i] = text[i] >= 'a' && text[i] <= 'z' ? (char)(text[i] - 'a' + 'A') : text[i];
        return folded;
    }
    wide = WideFromText(text);
    if (wide == NULL)
        return NULL;
    CharUpperBuffW(wide, (DWORD)wcslen(wide));
    folded = Utf8FromWide(wide);
    free(wide);
    return folded;
}

CheckVariable *ReadCheckVariables(ValueName *names[2], size_t counts[2], size_t *count)
{
    static const char *const paths[2] = {MACHINE_ENV_KEY, USER_ENV_KEY};
    CheckVariable *variables;
    size_t key, i;

    ReadValueNames(paths[0], &names[0], &counts[0]);
    ReadValueNames(paths[1], &names[1], &counts[1]);
    variables = (CheckVariable *)calloc(counts[0] + counts[1] + 1, sizeof *variables);
    *count = 0;
    for (key = 0; variables && key < 2; key++) {
        for (i = 0; i < counts[key]; i++) {
            if (names[key][i].type != REG_SZ && names[key][i].type != REG_EXPAND_SZ)
                continue;
            variables[*count].name = names[key][i].name;
            variables[*count].machine = key == 0;
            variables[*count].expandable = names[key][i].type == REG_EXPAND_SZ;
            (*count)++;
        }
    }
    return variables;
}

void ReleaseCheckVariables(CheckVariable *variables, ValueName *names[2], const size_t counts[2])
{
    free(variables);
    ReleaseValueNames(names[0], counts[0]);
    ReleaseValueNames(names[1], counts[1]);
}
