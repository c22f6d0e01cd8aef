#include "registry/account.h"
#include "registry/regaccess.h"
#include "common/common.h"

#include <sddl.h>
#include <wtsapi32.h>
#include <wchar.h>
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

/* "DOMAIN\name" (name alone without a domain) as a text of the program's code page (free it), or
   NULL. */
static char *JoinedName(const WCHAR *domain, const WCHAR *name)
{
    size_t domainLength = domain != NULL ? wcslen(domain) : 0, nameLength = wcslen(name);
    WCHAR *joined = (WCHAR *)malloc((domainLength + 1 + nameLength + 1) * sizeof(WCHAR));
    char *text = NULL;

    if (joined == NULL)
        return NULL;
    joined[0] = L'\0';
    if (domainLength > 0) {
        wcscpy(joined, domain);
        wcscat(joined, L"\\");
    }
    wcscat(joined, name);
    text = TextOfCodePage(joined, NULL);
    free(joined);
    return text;
}

/* The token user's account name, "DOMAIN\user", as a text of the program's code page (free it),
   or NULL. */
static char *AccountName(const TOKEN_USER *user)
{
    DWORD nameSize = 0, domainSize = 0;
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
    if (LookupAccountSidW(NULL, user->User.Sid, name, &nameSize, domain, &domainSize, &use))
        text = JoinedName(domain, name);
    free(domain);
    return text;
}

/* The account signed in to the program's session, "DOMAIN\user", as the session manager names it
   (free it), or NULL. Unlike the token of the shell's process, which an elevated program may not
   open without a privilege that it holds but has not enabled, the session's user is open to any
   program in the session. */
static char *SessionAccountName(void)
{
    LPWSTR user = NULL, domain = NULL;
    DWORD bytes = 0;
    char *text = NULL;

    if (WTSQuerySessionInformationW(WTS_CURRENT_SERVER_HANDLE, WTS_CURRENT_SESSION, WTSUserName,
                                    &user, &bytes) && user != NULL && user[0] != L'\0') {
        if (!WTSQuerySessionInformationW(WTS_CURRENT_SERVER_HANDLE, WTS_CURRENT_SESSION,
                                         WTSDomainName, &domain, &bytes))
            domain = NULL;
        text = JoinedName(domain, user);
    }
    if (user != NULL)
        WTSFreeMemory(user);
    if (domain != NULL)
        WTSFreeMemory(domain);
    return text;
}

const AccountPair *ProgramAccounts(void)
{
    static AccountPair accounts;
    static BOOL found = FALSE;

    if (!found) {
        TOKEN_USER *process = ProcessUser();

        found = TRUE;
        accounts.processSid = SidText(process);
        accounts.processName = AccountName(process);
        accounts.sessionName = SessionAccountName();   /* the system gives no SID for it */
        free(process);
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
