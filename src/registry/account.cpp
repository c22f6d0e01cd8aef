#include "registry/account.h"
#include "registry/regaccess.h"
#include "common/common.h"

#include <sddl.h>
#include <stdlib.h>
#include <string.h>

/* The user of a token (free it), or NULL. */
static TOKEN_USER *TokenUserOf(HANDLE token)
{
    DWORD size = 0;
    TOKEN_USER *user;

    GetTokenInformation(token, TokenUser, NULL, 0, &size);
    if (size == 0)
        return NULL;
    user = (TOKEN_USER *)malloc(size);
    if (user != NULL && !GetTokenInformation(token, TokenUser, user, size, &size)) {
        free(user);
        user = NULL;
    }
    return user;
}

static TOKEN_USER *ProcessUser(void)
{
    HANDLE token;
    TOKEN_USER *user;

    if (!OpenProcessToken(GetCurrentProcess(), TOKEN_QUERY, &token))
        return NULL;
    user = TokenUserOf(token);
    CloseHandle(token);
    return user;
}

/* The user of the process that owns the desktop's shell window: the signed-in user. */
static TOKEN_USER *ShellUser(void)
{
    HWND shell = GetShellWindow();
    DWORD processId = 0;
    HANDLE process, token;
    TOKEN_USER *user = NULL;

    if (shell == NULL || GetWindowThreadProcessId(shell, &processId) == 0 || processId == 0)
        return NULL;
    process = OpenProcess(PROCESS_QUERY_LIMITED_INFORMATION, FALSE, processId);
    if (process == NULL)
        return NULL;
    if (OpenProcessToken(process, TOKEN_QUERY, &token)) {
        user = TokenUserOf(token);
        CloseHandle(token);
    }
    CloseHandle(process);
    return user;
}

/* The SID's text form, "S-1-5-21-...", as a new text (free it), or NULL. */
static char *SidText(const TOKEN_USER *user)
{
    char *local = NULL, *text = NULL;

    if (user == NULL || !ConvertSidToStringSidA(user->User.Sid, &local))
        return NULL;
    text = (char *)malloc(strlen(local) + 1);
    if (text != NULL)
        strcpy(text, local);
    LocalFree(local);
    return text;
}

/* The account's name, "DOMAIN\user", as a text of the program's code page (free it), or NULL. */
static char *AccountName(const TOKEN_USER *user)
{
    DWORD nameSize = 0, domainSize = 0, nameLength, domainLength;
    SID_NAME_USE use;
    WCHAR *domain, *name;
    char *text = NULL;

    if (user == NULL)
        return NULL;
    /* The sizes first, zeros included; then the domain and the name into one buffer. */
    LookupAccountSidW(NULL, user->User.Sid, NULL, &nameSize, NULL, &domainSize, &use);
    if (nameSize == 0)
        return NULL;
    if (domainSize == 0)
        domainSize = 1;
    domain = (WCHAR *)malloc(((size_t)domainSize + nameSize) * sizeof(WCHAR));
    if (domain == NULL)
        return NULL;
    name = domain + domainSize;
    nameLength = nameSize;
    domainLength = domainSize;
    if (LookupAccountSidW(NULL, user->User.Sid, name, &nameLength, domain, &domainLength, &use)) {
        if (domainLength > 0) {
            domain[domainLength] = L'\\';
            memmove(domain + domainLength + 1, name, ((size_t)nameLength + 1) * sizeof(WCHAR));
            name = domain;
        }
        text = TextOfCodePage(name, NULL);
    }
    free(domain);
    return text;
}

const AccountPair *ProgramAccounts(void)
{
    static AccountPair accounts;
    static BOOL found = FALSE;

    if (!found) {
        TOKEN_USER *process = ProcessUser();
        TOKEN_USER *shell = ShellUser();

        found = TRUE;
        accounts.processSid = SidText(process);
        accounts.shellSid = SidText(shell);
        if (RunsAsOtherAccount(&accounts)) {
            accounts.processName = AccountName(process);
            accounts.shellName = AccountName(shell);
        }
        free(process);
        free(shell);
    }
    return &accounts;
}

void TellOtherAccountOnce(void)
{
    static BOOL told = FALSE;
    char *text;

    if (told)
        return;
    told = TRUE;
    text = ComposeOtherAccountText(ProgramAccounts());
    if (text != NULL)
        MessageBoxA(g_hMainWnd, text, APP_TITLE, MB_OK | MB_ICONWARNING);
    free(text);
}
