#include "common/common.h"

HINSTANCE g_hInstance = NULL;
HWND g_hMainWnd = NULL;
char g_varName[VAR_NAME_SIZE] = "PATH";
BOOL g_modified = FALSE;
