/* The editor's snapshot calls: those of snapshot.cpp for the variable being edited, each failure
   shown in a message box. */
#include "output/snapshot.h"
#include "common/appfolder.h"
#include "common/common.h"

#include <shellapi.h>

int TakeSnapshot(const StoredValue *machineShown, const StoredValue *userShown)
{
    DWORD error = 0;
    int result = TakeSnapshotQuietly(g_varName, machineShown, userShown, &error);

    if (result == SNAPSHOT_FAILED)
        ShowSystemError(error);
    return result;
}

void OpenSnapshotFolder(void)
{
    WCHAR folder[APP_FOLDER_SIZE];
    DWORD error = FindSnapshotFolder(folder, TRUE);

    if (error == 0 &&
        (INT_PTR)ShellExecuteW(g_hMainWnd, L"open", folder, NULL, NULL, SW_SHOWNORMAL) <= 32) {
        error = GetLastError();
        if (error == 0)
            error = ERROR_PATH_NOT_FOUND;
    }
    if (error != 0)
        ShowSystemError(error);
}
