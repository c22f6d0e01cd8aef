#include "output/savedialog.h"
#include "output/fileformat.h"
#include "app/settings.h"
#include "common/common.h"

#include <commdlg.h>

int ChooseOutputFile(char *path, const char *filter, const char *extension)
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
    ofn.nMaxFile = OUTPUT_PATH_SIZE - 1;
    ofn.Flags = OFN_OVERWRITEPROMPT | OFN_HIDEREADONLY | OFN_PATHMUSTEXIST | OFN_EXPLORER | OFN_LONGNAMES;
    ofn.lpstrDefExt = extension;
    return GetSaveFileNameA(&ofn) != 0;
}

void RememberOutputFolder(char *path)
{
    WriteSettingString("lastpath", CutToFolder(path));
}
