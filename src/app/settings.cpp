/* Settings kept in the profile section "Velkor" of the per-user win.ini, and the main window's
   position and size, which are saved when the program may close and restored at start. */
#include "app/settings.h"
#include "common/common.h"

#include <limits.h>
#include <stdio.h>

DWORD ReadSettingString(const char *key, const char *defaultText, char *buffer, DWORD size)
{
    return GetProfileStringA(APP_SHORT_NAME, key, defaultText, buffer, size);
}

int ReadSettingInt(const char *key, int defaultValue)
{
    return (int)GetProfileIntA(APP_SHORT_NAME, key, defaultValue);
}

BOOL WriteSettingString(const char *key, const char *text)
{
    return WriteProfileStringA(APP_SHORT_NAME, key, text);
}

BOOL WriteSettingInt(const char *key, long value)
{
    char text[20];   /* "-2147483648" and its zero fit with room to spare */

    snprintf(text, sizeof text, "%li", value);
    return WriteProfileStringA(APP_SHORT_NAME, key, text);
}

/* The far edge of a rectangle, kept within int whatever the profile holds. */
static int EdgeAt(int start, int length)
{
    long long edge = (long long)start + length;

    return edge > INT_MAX ? INT_MAX : edge < INT_MIN ? INT_MIN : (int)edge;
}

/* The keys hold the normal rectangle as GetWindowPlacement reports it, that is in workspace
   coordinates. The restore hands the rectangle back through SetWindowPlacement, which reads the
   same coordinates, so a taskbar at the top or the left of the screen does not shift the window
   a little further on every start. The show state is left as it is. */
BOOL PersistWindowPlacement(BOOL save)
{
    WINDOWPLACEMENT placement;
    RECT *normal = &placement.rcNormalPosition;
    int x, y, w, h;

    if (g_hMainWnd == NULL)
        return TRUE;
    placement.length = sizeof placement;
    GetWindowPlacement(g_hMainWnd, &placement);

    if (save) {
        WriteSettingInt("x", normal->left);
        WriteSettingInt("y", normal->top);
        WriteSettingInt("w", normal->right - normal->left);
        WriteSettingInt("h", normal->bottom - normal->top);
        return TRUE;
    }

    x = ReadSettingInt("x", normal->left);
    y = ReadSettingInt("y", normal->top);
    w = ReadSettingInt("w", normal->right - normal->left + 2);
    h = ReadSettingInt("h", normal->bottom - normal->top + 2);
    SetRect(normal, x, y, EdgeAt(x, w), EdgeAt(y, h));
    placement.length = sizeof placement;
    placement.flags = 0;
    SetWindowPlacement(g_hMainWnd, &placement);
    return TRUE;
}
