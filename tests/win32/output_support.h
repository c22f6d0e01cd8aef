/* Helpers shared by the export and backup tests: answering the save dialog, the remembered
   folder "lastpath", the system's texts for error codes. */
#ifndef VELKOR_OUTPUT_SUPPORT_H
#define VELKOR_OUTPUT_SUPPORT_H

#include "test_support.h"
#include "common/common.h"
#include "output/backup.h"
#include "output/export.h"

#include <commdlg.h>
#include <dlgs.h>

#include <string>

/* What the save dialog showed when it came up. */
struct SaveDialogSeen {
    bool shown = false;
    std::string fileField;   /* the file name field */
    std::string filePath;    /* the full path that the dialog makes of it (CDM_GETFILEPATH) */
};

inline std::string DialogItemText(HWND dialog, int id)
{
    char text[4096] = "";
    GetDlgItemTextA(dialog, id, text, sizeof text);
    return text;
}

inline void RecordSaveDialog(HWND dialog, SaveDialogSeen *seen)
{
    seen->shown = true;
    seen->fileField = GetDlgItem(dialog, cmb13) ? DialogItemText(dialog, cmb13) : DialogItemText(dialog, edt1);
    char path[4096] = "";
    if (SendMessageA(dialog, CDM_GETFILEPATH, sizeof path, (LPARAM)path) > 0)
        seen->filePath = path;
}

/* Answers the next save dialog by typing path into its file name field and pressing OK. */
inline void QueueSaveAs(DialogAnswerer &answerer, const std::string &path, SaveDialogSeen *seen = nullptr)
{
    answerer.Queue([path, seen](HWND dialog) {
        if (seen)
            RecordSaveDialog(dialog, seen);
        SetDlgItemTextA(dialog, GetDlgItem(dialog, cmb13) ? cmb13 : edt1, path.c_str());
        DialogAnswerer::PostClick(dialog, IDOK);
    });
}

/* Runs the backup or the export, as the command of that name does. */
inline void SaveOutput(bool backup)
{
    if (backup)
        BackupRegistryValues();
    else
        ExportList();
}

/* Answers the next save dialog with Cancel. */
inline void QueueSaveCancel(DialogAnswerer &answerer, SaveDialogSeen *seen = nullptr)
{
    answerer.Queue([seen](HWND dialog) {
        if (seen)
            RecordSaveDialog(dialog, seen);
        DialogAnswerer::PostClick(dialog, IDCANCEL);
    });
}

inline std::string ReadLastPath()
{
    return RawSetting("lastpath");
}

inline void SetLastPath(const std::string &folder)
{
    SetRawSetting("lastpath", folder.c_str());
}

inline void ClearLastPath()
{
    SetRawSetting("lastpath", NULL);
    WriteProfileStringA(APP_SHORT_NAME, "lastpath", NULL);
}


/* Imports a registration file silently with the system's own registry editor, as a user restoring
   a backup would; false when it could not be run or did not end within a minute. */
inline bool ImportWithRegedit(const std::string &path)
{
    std::string command = "regedit.exe /s \"" + path + "\"";
    STARTUPINFOA startup = {};
    startup.cb = sizeof startup;
    PROCESS_INFORMATION process = {};
    if (!CreateProcessA(NULL, &command[0], NULL, NULL, FALSE, 0, NULL, NULL, &startup, &process))
        return false;
    bool ended = WaitForSingleObject(process.hProcess, 60000) == WAIT_OBJECT_0;
    CloseHandle(process.hThread);
    CloseHandle(process.hProcess);
    return ended;
}

inline bool FileExists(const std::string &path)
{
    return GetFileAttributesA(path.c_str()) != INVALID_FILE_ATTRIBUTES;
}

/* How many files and folders a folder holds. */
inline int FilesIn(const std::string &folder)
{
    WIN32_FIND_DATAA found;
    HANDLE find = FindFirstFileA((folder + "\\*").c_str(), &found);
    int count = 0;
    if (find == INVALID_HANDLE_VALUE)
        return 0;
    do {
        if (strcmp(found.cFileName, ".") != 0 && strcmp(found.cFileName, "..") != 0)
            count++;
    } while (FindNextFileA(find, &found));
    FindClose(find);
    return count;
}

#endif
