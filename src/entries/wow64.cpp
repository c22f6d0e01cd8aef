#include "entries/wow64.h"
#include "entries/wow64path.h"

#include <stdlib.h>
#include <string.h>

typedef BOOL(WINAPI *IsWow64ProcessCall)(HANDLE, PBOOL);
typedef BOOL(WINAPI *RedirectionCall)(PVOID *);
typedef BOOL(WINAPI *RevertCall)(PVOID);

static FARPROC KernelCall(const char *name)
{
    HMODULE kernel = GetModuleHandleW(L"kernel32.dll");
    return kernel ? GetProcAddress(kernel, name) : NULL;
}

BOOL RunsUnderWow64(void)
{
    static int known = -1;

    if (known < 0) {
        IsWow64ProcessCall isWow64 = (IsWow64ProcessCall)(void *)KernelCall("IsWow64Process");
        BOOL wow64 = FALSE;
        known = isWow64 && isWow64(GetCurrentProcess(), &wow64) && wow64;
    }
    return known;
}

static BOOL IsSet(const WCHAR *name)
{
    return GetEnvironmentVariableW(name, NULL, 0) != 0;
}

char *Wow64TextToExpand(const char *text)
{
    char *changed;

    if (!RunsUnderWow64())
        return NULL;
    changed = Wow64ExpansionText(text, TRUE, IsSet(L"ProgramW6432"), IsSet(L"CommonProgramW6432"));
    if (changed != NULL && strcmp(changed, text) == 0) {
        free(changed);
        changed = NULL;
    }
    return changed;
}

BOOL PauseFsRedirection(void **state)
{
    RedirectionCall disable;

    if (!RunsUnderWow64())
        return FALSE;
    disable = (RedirectionCall)(void *)KernelCall("Wow64DisableWow64FsRedirection");
    return disable != NULL && disable(state);
}

void ResumeFsRedirection(void *state)
{
    RevertCall revert = (RevertCall)(void *)KernelCall("Wow64RevertWow64FsRedirection");

    if (revert != NULL)
        revert(state);
}
