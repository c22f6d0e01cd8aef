/* Restart as administrator. The list goes into a file of its own in the program's folder, named
   on the new instance's command line with this instance's process id:
       velkor.exe /restart <process id> "<file>"
   The new instance waits for this one to end before its single-instance check, shows the list
   from the file and deletes it. This one ends as soon as the new one has been started: the file
   holds everything, so nothing is lost even before the new one has read it. */
#include "app/restart.h"
#include "app/settings.h"
#include "common/appfolder.h"
#include "common/common.h"
#include "entries/entrylist.h"
#include "output/restartformat.h"
#include "registry/account.h"
#include "registry/regaccess.h"
#include "registry/workflow.h"
#include "resource.h"

#include <shellapi.h>
#include <stdio.h>
#include <stdlib.h>
#include <string.h>
#include <wchar.h>

#define RESTART_SWITCH L"/restart"
/* How long the new instance waits for the old one to end. */
#define RESTART_WAIT_MS 30000

/* Said when the new instance runs as another account than the one that saved the list. */
#define OTHER_ACCOUNT_TEXT \
    APP_TITLE " now runs as another account than the one that restarted it. The Local Machine " \
    "section is shown as it was, with its changes; the Current User section is this account's " \
    "value, read from the registry: changes to the other account's Current User value were not " \
    "carried over."

/* The file named on the command line, "" when none. */
static WCHAR s_restartFile[APP_FOLDER_SIZE];

/* Whether the process's token has administrator rights in force. Before Windows Vista there is
   no elevation to ask for: FALSE, so that the command stays available. */
static BOOL RunsElevated(void)
{
    HANDLE token;
    TOKEN_ELEVATION elevation = {0};
    DWORD size = 0;
    BOOL elevated = FALSE;

    if (OpenProcessToken(GetCurrentProcess(), TOKEN_QUERY, &token)) {
        elevated = GetTokenInformation(token, TokenElevation, &elevation, sizeof elevation, &size) &&
                   elevation.TokenIsElevated != 0;
        CloseHandle(token);
    }
    return elevated;
}

void EnableRestartCommand(void)
{
    EnableMenuItem(GetSubMenu(GetMenu(g_hMainWnd), 0), IDM_RESTART_ADMIN,
                   MF_BYCOMMAND | (RunsElevated() ? MF_GRAYED : MF_ENABLED));
}

/* The list as the file keeps it, each text in UTF-8. FALSE when memory runs out. */
static BOOL CollectList(struct RestartList *list)
{
    int count = GetRowCount(), i, section = -1;
    char *text = NULL, *row;
    size_t size = 0;
    BOOL ok;

    ZeroMemory(list, sizeof *list);
    list->name = Utf8FromText(g_varName);
    list->account = Utf8FromText(ProgramAccounts()->processSid ? ProgramAccounts()->processSid : "");
    list->pending = g_modified;
    list->rows[RESTART_MACHINE] = (char **)calloc((size_t)count + 1, sizeof(char *));
    list->rows[RESTART_USER] = (char **)calloc((size_t)count + 1, sizeof(char *));
    ok = list->name && list->account && list->rows[RESTART_MACHINE] && list->rows[RESTART_USER];
    for (i = 0; ok && i < count; i++) {
        if (GetRowData(i) == 1) {
            section = RowSection(i) == SECTION_MACHINE ? RESTART_MACHINE : RESTART_USER;
            continue;
        }
        if (section < 0)
            continue;
        ok = ReadRowText(i, &text, &size) >= 0 && (row = Utf8FromText(text)) != NULL;
        if (ok)
            list->rows[section][list->count[section]++] = row;
    }
    free(text);
    return ok;
}

/* Writes the list into a new file of the program's folder, named into path. 0 or the error. */
static DWORD SaveList(WCHAR *path)
{
    struct RestartList list;
    DWORD error = 0;
    size_t size = 0;
    char *text = NULL;

    if (!CollectList(&list) || (text = FormatRestartList(&list, &size)) == NULL)
        error = ERROR_NOT_ENOUGH_MEMORY;
    ReleaseRestartList(&list);
    if (error == 0)
        error = FindAppFolder(path, TRUE);
    if (error == 0 && wcslen(path) + 40 >= APP_FOLDER_SIZE)
        error = ERROR_FILENAME_EXCED_RANGE;
    if (error == 0) {
        swprintf(path + wcslen(path), 40, L"\\restart-%lu.txt", GetCurrentProcessId());
        error = WriteWholeFile(path, CREATE_ALWAYS, text, size, FALSE);
    }
    free(text);
    return error;
}

void RestartAsAdministrator(void)
{
    WCHAR program[APP_FOLDER_SIZE], path[APP_FOLDER_SIZE] = L"", arguments[APP_FOLDER_SIZE + 64];
    SHELLEXECUTEINFOW run;
    DWORD error, length;

    /* A command posted while a question or a dialog is open waits for nothing: it does nothing. */
    if (!IsWindowEnabled(g_hMainWnd))
        return;
    /* A list that misses what could not be read is not handed on: the new instance retrieves. */
    error = ListIsComplete() ? SaveList(path) : 0;
    length = error == 0 ? GetModuleFileNameW(NULL, program, APP_FOLDER_SIZE) : 0;
    if (error == 0 && (length == 0 || length >= APP_FOLDER_SIZE))   /* failed, or cut */
        error = GetLastError() ? GetLastError() : ERROR_FILENAME_EXCED_RANGE;
    if (error == 0) {
        swprintf(arguments, sizeof arguments / sizeof arguments[0], RESTART_SWITCH L" %lu \"%ls\"",
                 GetCurrentProcessId(), path);
        ZeroMemory(&run, sizeof run);
        run.cbSize = sizeof run;
        run.fMask = SEE_MASK_FLAG_NO_UI;
        run.hwnd = g_hMainWnd;
        run.lpVerb = L"runas";
        run.lpFile = program;
        run.lpParameters = arguments;
        run.nShow = SW_SHOWNORMAL;
        if (!ShellExecuteExW(&run))
            error = GetLastError() ? GetLastError() : ERROR_ACCESS_DENIED;
    }
    if (error != 0) {
        if (path[0])
            DeleteFileW(path);
        /* Declined by the user, it is no failure: the program goes on as it was. */
        if (error != ERROR_CANCELLED)
            ShowSystemError(error);
        return;
    }
    /* The new instance has the list: this one ends as a Yes or No to the close question would. */
    PersistWindowPlacement(TRUE);
    PostQuitMessage(0);
}

void FollowRestartingInstance(void)
{
    int count = 0;
    WCHAR **arguments = CommandLineToArgvW(GetCommandLineW(), &count);
    HANDLE previous;

    if (arguments && count >= 3 && lstrcmpiW(arguments[1], RESTART_SWITCH) == 0) {
        previous = OpenProcess(SYNCHRONIZE, FALSE, wcstoul(arguments[2], NULL, 10));
        if (previous) {
            WaitForSingleObject(previous, RESTART_WAIT_MS);
            CloseHandle(previous);
        }
        if (count >= 4 && wcslen(arguments[3]) < APP_FOLDER_SIZE)
            wcscpy(s_restartFile, arguments[3]);
    }
    LocalFree(arguments);
}

/* A UTF-8 text as a new text of the process's code page (ReleaseText), or NULL when it is not
   UTF-8 or memory runs out. */
static char *TextFromUtf8(const char *utf8)
{
    int length = MultiByteToWideChar(CP_UTF8, MB_ERR_INVALID_CHARS, utf8, -1, NULL, 0);
    WCHAR *wide = length > 0 ? (WCHAR *)malloc((size_t)length * sizeof(WCHAR)) : NULL;
    char *text = NULL;

    if (wide && MultiByteToWideChar(CP_UTF8, MB_ERR_INVALID_CHARS, utf8, -1, wide, length) == length)
        text = TextOfCodePage(wide, NULL);
    free(wide);
    return text;
}

/* Turns every text of the list from UTF-8 into the process's code page. FALSE when one is not
   UTF-8 (the file is damaged) or memory runs out. */
static BOOL ListToCodePage(struct RestartList *list)
{
    char **texts[2] = {list->rows[0], list->rows[1]};
    char *converted = TextFromUtf8(list->name);
    int section;
    size_t i;

    free(list->name);
    list->name = converted;
    if (converted == NULL)
        return FALSE;
    for (section = 0; section < 2; section++) {
        for (i = 0; i < list->count[section]; i++) {
            converted = TextFromUtf8(texts[section][i]);
            free(texts[section][i]);
            texts[section][i] = converted;
            if (converted == NULL)
                return FALSE;
        }
    }
    return TRUE;
}

/* Tells that the file could not be used, and why, before the usual start. */
static void TellUnreadable(const char *why)
{
    char *path = Utf8FromWide(s_restartFile);
    char message[2048];

    snprintf(message, sizeof message,
             "The list that " APP_TITLE " saved when it restarted as administrator could not be read "
             "from\r\n%s\r\n\r\n%s\r\n\r\nThe variable is read from the registry as at every start; "
             "the file is left as it is.",
             path ? path : "?", why);
    free(path);
    MessageBoxA(g_hMainWnd, message, APP_TITLE, MB_OK | MB_ICONWARNING);
}

BOOL TakeOverRestartList(void)
{
    struct RestartList list;
    char *text = NULL, reason[512];
    size_t size = 0;
    DWORD error;
    BOOL shown = FALSE;

    if (s_restartFile[0] == L'\0')
        return FALSE;
    error = ReadFileStart(s_restartFile, 0, &text, &size);
    if (error != 0) {
        if (!FormatMessageA(FORMAT_MESSAGE_FROM_SYSTEM | FORMAT_MESSAGE_IGNORE_INSERTS, NULL, error, 0,
                            reason, sizeof reason, NULL))
            snprintf(reason, sizeof reason, "error %lu", error);
        reason[strcspn(reason, "\r\n")] = '\0';   /* the system's text ends with a line break */
        TellUnreadable(reason);
    } else if (!ParseRestartList(text, size, &list) || !ListToCodePage(&list)) {
        TellUnreadable("It is damaged.");
    } else {
        /* Given another account's credentials, this instance runs as that account, whose user
           value is another one: the saved user section is not shown as its own. */
        AccountPair accounts = {ProgramAccounts()->processSid, NULL, list.account, NULL};
        BOOL sameAccount = !RunsAsOtherAccount(&accounts);

        shown = ShowSavedList(&list, sameAccount);
        if (shown)
            DeleteFileW(s_restartFile);
        else
            TellUnreadable("It names a variable that cannot be edited.");
        if (shown && !sameAccount)
            MessageBoxA(g_hMainWnd, OTHER_ACCOUNT_TEXT, APP_TITLE, MB_OK | MB_ICONWARNING);
    }
    if (error == 0)
        ReleaseRestartList(&list);
    free(text);
    s_restartFile[0] = L'\0';
    return shown;
}
