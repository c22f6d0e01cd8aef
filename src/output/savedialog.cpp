#include "output/savedialog.h"
#include "output/fileformat.h"
#include "output/outfile.h"
#include "app/settings.h"
#include "common/common.h"

#include <commdlg.h>

/* Proposes "lastpath\NAME.EXTENSION" (g_varName) in path (OUTPUT_PATH_SIZE bytes) and lets the
   user choose. filter is the dialog's list of zero-terminated pairs, ended by an empty string. */
static int ChooseOutputFile(char *path, const char *filter, const char *extension)
{
    OPENFILENAMEA ofn;

    ReadSettingString("lastpath", "", path, OUTPUT_PATH_SIZE);
    ProposeFileName(path, OUTPUT_PATH_SIZE, g_varName, extension);

    ZeroMemory(&ofn, sizeof ofn);
    /* The record as Windows NT 4.0 knew it, without the fields that Windows 2000 added. */
    ofn.lStructSize = OPENFILENAME_SIZE_VERSION_400A;
    ofn.hwndOwner = g_hMainWnd;
    ofn.lpstrFilter = filter;
    ofn.nFilterIndex = 1;
    ofn.lpstrFile = path;
    ofn.nMaxFile = OUTPUT_PATH_SIZE;   /* the size that the proposal was fitted to */
    ofn.Flags = OFN_OVERWRITEPROMPT | OFN_HIDEREADONLY | OFN_PATHMUSTEXIST | OFN_EXPLORER | OFN_LONGNAMES;
    ofn.lpstrDefExt = extension;
    return GetSaveFileNameA(&ofn) != 0;
}

int StartOutputFile(OutFile *file, char *path, const char *filter, const char *extension)
{
    if (!ChooseOutputFile(path, filter, extension))
        return 0;
    if (!OpenOutFile(file, path)) {
        ShowSystemError(0);
        return 0;
    }
    return 1;
}

void FinishOutputFile(OutFile *file, char *path)
{
    DWORD error = CloseOutFile(file);

    if (error != 0) {
        ShowSystemError(error);
        return;
    }
    WriteSettingString("lastpath", CutToFolder(path));
}
