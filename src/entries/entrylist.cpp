#include "common/common.h"
#include "entries/entrylist.h"
#include "entries/undo.h"
#include "entries/marks.h"
#include "entries/valuesplit.h"
#include "resource.h"

#include <stdlib.h>
#include <string.h>

/* Looking the list up among the main window's children costs far more than any list message,
   and the split, the join and the checks send several messages per row: the handle is kept for
   as long as the main window is the one it was looked up in and the list is still there. Asking
   the list for its parent and its id as well would cost a check of many rows a tenth of its
   time. */
static HWND ListWindow(void)
{
    static HWND list = NULL, parent = NULL;

    if (list == NULL || parent != g_hMainWnd || !IsWindow(list)) {
        list = GetDlgItem(g_hMainWnd, IDC_ENTRY_LIST);
        parent = g_hMainWnd;
    }
    return list;
}

static LRESULT SendToList(UINT msg, WPARAM wParam, LPARAM lParam)
{
    return SendMessageA(ListWindow(), msg, wParam, lParam);
}

/* -1 stands for the selected row (and stays -1 when none is selected). */
static int ResolveIndex(int index)
{
    return index == -1 ? GetSelectedRow() : index;
}

static void RecordRow(BOOL inserted, HWND list, int index);

/* Every change of the rows goes through the primitives below, which tell the marks and, while
   a step is open, the undo history. */
void ClearList(void)
{
    int i;

    if (RecordingUndo())
        for (i = GetRowCount() - 1; i >= 0; i--)
            RecordRow(FALSE, ListWindow(), i);
    SendToList(LB_RESETCONTENT, 0, 0);
    MarksListCleared();
}

int GetRowCount(void)
{
    return (int)SendToList(LB_GETCOUNT, 0, 0);
}

int GetSelectedRow(void)
{
    return (int)SendToList(LB_GETCURSEL, 0, 0);
}

/* LB_ADDSTRING, and LB_SETITEMDATA for a header row: all that each row of a split costs. A new
   row of a list box holding strings starts with item data 0, so an entry row needs no second
   message; a retrieve of many elements costs half as many. */
/* What follows a row's insertion: the undo step and the marks learn of it. Returns index. */
static int RowInserted(HWND list, int index)
{
    if (RecordingUndo())
        RecordRow(TRUE, list, index);
    MarksRowInserted(index);
    return index;
}

static int AddRowTo(HWND list, const char *text, LPARAM data)
{
    int index;

    if (text == NULL || text[0] == '\0')
        return -1;
    index = (int)SendMessageA(list, LB_ADDSTRING, 0, (LPARAM)text);
    if (index < 0)   /* LB_ERR or LB_ERRSPACE: no row was added */
        return -1;
    if (data != 0)
        SendMessageA(list, LB_SETITEMDATA, index, data);
    return RowInserted(list, index);
}

int AddRow(const char *text, LPARAM data)
{
    return AddRowTo(ListWindow(), text, data);
}

int InsertEntryRow(const char *text, int index)
{
    int added = (int)SendToList(LB_INSERTSTRING, index, (LPARAM)text);
    if (added < 0)
        return -1;
    SendToList(LB_SETITEMDATA, added, 0);
    return RowInserted(ListWindow(), added);
}

int RestoreRow(const WCHAR *text, int index, LPARAM data)
{
    HWND list = ListWindow();
    int added = (int)SendMessageW(list, LB_INSERTSTRING, index, (LPARAM)text);

    if (added < 0)
        return -1;
    SendMessageW(list, LB_SETITEMDATA, added, data);
    return RowInserted(list, added);
}

void DeleteRow(int index)
{
    if (RecordingUndo() && index >= 0 && index < GetRowCount())
        RecordRow(FALSE, ListWindow(), index);
    if (SendToList(LB_DELETESTRING, index, 0) != LB_ERR)
        MarksRowDeleted(index);
}

/* Rows are read as UTF-16 and converted to the program's code page with a measured size: the
   list box counts UTF-16 exactly, while the count it gives an A caller may come out short (Windows
   allows for the double-byte code pages only, and in UTF-8 one UTF-16 unit may take three bytes),
   and LB_GETTEXT takes no buffer size. A reader holds a buffer for short rows and grows one on the
   heap for longer ones, kept for the next row. */
#define ROW_LOCAL_UNITS 256

struct RowReader {
    HWND list;
    WCHAR local[ROW_LOCAL_UNITS];
    WCHAR *text;   /* local, or the heap buffer */
    size_t capacity;
    BOOL failed;   /* memory ran out */
};

static void StartReading(struct RowReader *reader, HWND list)
{
    reader->list = list;
    reader->text = reader->local;
    reader->capacity = ROW_LOCAL_UNITS;
    reader->failed = FALSE;
}

static void EndReading(struct RowReader *reader)
{
    if (reader->text != reader->local)
        free(reader->text);
    reader->text = reader->local;
    reader->capacity = ROW_LOCAL_UNITS;
}

/* The row's UTF-16 text in the reader's buffer, and its length in *units; NULL when the index
   names no row (*units -1) or memory runs out (*units the row's length, and failed set). length
   is the row's length as LB_GETTEXTLEN gives it. */
static const WCHAR *ReadRowOfLength(struct RowReader *reader, int index, LRESULT length, int *units)
{
    *units = -1;
    if (length < 0)
        return NULL;
    if ((size_t)length >= reader->capacity) {
        WCHAR *grown = (WCHAR *)malloc(((size_t)length + 1) * sizeof(WCHAR));
        if (grown == NULL) {
            reader->failed = TRUE;
            *units = (int)length;
            return NULL;
        }
        EndReading(reader);
        reader->text = grown;
        reader->capacity = (size_t)length + 1;
    }
    length = SendMessageW(reader->list, LB_GETTEXT, index, (LPARAM)reader->text);
    if (length < 0)
        return NULL;
    *units = (int)length;
    return reader->text;
}

static const WCHAR *ReadRow(struct RowReader *reader, int index, int *units)
{
    return ReadRowOfLength(reader, index, SendMessageW(reader->list, LB_GETTEXTLEN, index, 0), units);
}

/* Bytes that units UTF-16 units take in the program's code page. */
static int BytesOf(const WCHAR *text, int units)
{
    return units > 0 ? WideCharToMultiByte(CP_ACP, 0, text, units, NULL, 0, NULL, NULL) : 0;
}

/* The most bytes that one UTF-16 unit takes in the program's code page: three in UTF-8 (a
   character of four bytes takes two units), the longest character in any other. */
static int MostBytesPerUnit(void)
{
    CPINFO info;

    if (!GetCPInfo(CP_ACP, &info))
        return 3;
    return info.MaxCharSize > 3 ? 3 : (int)info.MaxCharSize;
}

/* Converts units UTF-16 units into dest, which holds room bytes and a zero more; returns the bytes
   written. */
static int ConvertRow(const WCHAR *text, int units, char *dest, int room)
{
    int bytes = units > 0 ? WideCharToMultiByte(CP_ACP, 0, text, units, dest, room, NULL, NULL) : 0;

    dest[bytes] = '\0';
    return bytes;
}

int GetRowTextLength(int index)
{
    struct RowReader reader;
    const WCHAR *text;
    int units, length;

    index = ResolveIndex(index);
    if (index < 0)
        return -1;
    StartReading(&reader, ListWindow());
    text = ReadRow(&reader, index, &units);
    /* Without memory to measure it, a length that the text surely fits. */
    length = text ? BytesOf(text, units) : units < 0 ? -1 : units * MostBytesPerUnit();
    EndReading(&reader);
    return length;
}

int ReadRowText(int index, char **buffer, size_t *size)
{
    struct RowReader reader;
    const WCHAR *text;
    int units, length = -1;

    index = ResolveIndex(index);
    if (index < 0)
        return -1;
    StartReading(&reader, ListWindow());
    text = ReadRow(&reader, index, &units);
    if (text != NULL) {
        length = BytesOf(text, units);
        if ((size_t)length >= *size) {
            char *larger = (char *)realloc(*buffer, (size_t)length + 1);
            if (larger != NULL) {
                *buffer = larger;
                *size = (size_t)length + 1;
            }
        }
        length = (size_t)length < *size ? ConvertRow(text, units, *buffer, length) : -1;
    }
    EndReading(&reader);
    return length;
}

char *CopyRowText(int index)
{
    char *copy = NULL;
    size_t size = 0;

    if (ReadRowText(index, &copy, &size) <= 0)
        ReleaseText(&copy);
    return copy;
}

void PauseListRedraw(BOOL pause)
{
    static int depth = 0;

    if (pause) {
        if (depth++ == 0)
            SendToList(WM_SETREDRAW, FALSE, 0);
    } else if (depth > 0 && --depth == 0) {
        SendToList(WM_SETREDRAW, TRUE, 0);
        InvalidateRect(ListWindow(), NULL, TRUE);
    }
}

WCHAR *CopyRowWide(HWND list, int index, LRESULT *units)
{
    WCHAR *text;

    *units = SendMessageW(list, LB_GETTEXTLEN, index, 0);
    text = *units >= 0 ? (WCHAR *)malloc(((size_t)*units + 1) * sizeof(WCHAR)) : NULL;
    if (text != NULL && SendMessageW(list, LB_GETTEXT, index, (LPARAM)text) < 0) {
        free(text);
        text = NULL;
    }
    return text;
}

/* Hands the undo history the row that has gone in, or is about to go out, as the list holds it. */
static void RecordRow(BOOL inserted, HWND list, int index)
{
    LRESULT units;
    WCHAR *text = CopyRowWide(list, index, &units);

    RecordRowChange(inserted, index, text, SendMessageW(list, LB_GETITEMDATA, index, 0));
}

LRESULT GetRowData(int index)
{
    index = ResolveIndex(index);
    if (index < 0)
        return -1;
    return SendToList(LB_GETITEMDATA, index, 0);
}

int RowSection(int index)
{
    int headers = 0, i;

    index = ResolveIndex(index);
    if (index < 0 || index >= GetRowCount())
        return -1;
    for (i = 0; i <= index; i++)
        if (SendToList(LB_GETITEMDATA, i, 0) != 0)
            headers++;
    return headers == 1 ? SECTION_MACHINE : headers == 2 ? SECTION_USER : -1;
}

/* Indexed by SECTION_USER (0) and SECTION_MACHINE (1). */
static BOOL s_leftAsStored[2];

void SetSectionLeftAsStored(int section, BOOL left)
{
    if (section == SECTION_MACHINE || section == SECTION_USER)
        s_leftAsStored[section] = left;
}

BOOL RowLeftAsStored(int index)
{
    int section;

    if (!s_leftAsStored[SECTION_MACHINE] && !s_leftAsStored[SECTION_USER])
        return FALSE;   /* the usual case, without looking for the row's section */
    section = RowSection(index);
    return section >= 0 && s_leftAsStored[section];
}

/* The join reads the list box through these, with one reader for all its rows. The copy of a row
   follows the question for its length, which is kept for it. */
struct JoinSource {
    struct RowReader reader;
    int bytesPerUnit;
    int measuredRow;
    LRESULT measuredUnits;
};

static int RowIsHeader(void *context, int index)
{
    struct JoinSource *source = (struct JoinSource *)context;
    return SendMessageW(source->reader.list, LB_GETITEMDATA, index, 0) != 0;
}

/* A length that the text surely fits, without reading it: the copy writes what it really takes. */
static size_t RowTextLength(void *context, int index)
{
    struct JoinSource *source = (struct JoinSource *)context;
    LRESULT units = SendMessageW(source->reader.list, LB_GETTEXTLEN, index, 0);

    source->measuredRow = index;
    source->measuredUnits = units;
    return units > 0 ? (size_t)units * (size_t)source->bytesPerUnit : 0;
}

static size_t RowCopyText(void *context, int index, char *dest)
{
    struct JoinSource *source = (struct JoinSource *)context;
    int units;
    const WCHAR *text = index == source->measuredRow
                            ? ReadRowOfLength(&source->reader, index, source->measuredUnits, &units)
                            : ReadRow(&source->reader, index, &units);

    if (text == NULL) {
        dest[0] = '\0';
        return 0;
    }
    return (size_t)ConvertRow(text, units, dest, units * source->bytesPerUnit);
}

/* A joined section that misses a row it could not read is never handed out: it would be written
   back as the value. */
char *JoinSection(int start)
{
    struct JoinSource source;
    RowSource rows = { &source, GetRowCount(), RowIsHeader, RowTextLength, RowCopyText };
    size_t size, length;
    char *result, *shrunk;

    StartReading(&source.reader, ListWindow());
    source.bytesPerUnit = MostBytesPerUnit();
    source.measuredRow = -1;
    size = JoinedSectionSize(&rows, start);
    result = (char *)malloc(size);
    if (result != NULL) {
        length = FillJoinedSection(&rows, start, result, size);
        /* The size allowed for the longest characters: give back what they did not take. */
        shrunk = (char *)realloc(result, length + 1);
        if (shrunk != NULL)
            result = shrunk;
    }
    EndReading(&source.reader);
    if (source.reader.failed) {
        free(result);
        result = NULL;
    }
    return result;   /* NULL: the caller reports it */
}

/* State of one split: the value (writable) and whether the list took every row. */
struct SplitTarget {
    HWND list;
    char *value;
    BOOL full;
};

static void AddElementRow(void *context, size_t begin, size_t end)
{
    struct SplitTarget *target = (struct SplitTarget *)context;
    char saved;

    if (target->full)
        return;
    /* The list box wants a zero-terminated text: end the element in place for the moment. */
    saved = target->value[end];
    target->value[end] = '\0';
    if (AddRowTo(target->list, target->value + begin, 0) < 0)
        target->full = TRUE;
    target->value[end] = saved;
}

static void CountElement(void *context, size_t begin, size_t end)
{
    (void)context; (void)begin; (void)end;
}

int ParseValueIntoList(char *value)
{
    HWND list = ListWindow();
    struct SplitTarget target = { list, value, FALSE };
    size_t elements;

    if (value == NULL || value[0] == '\0')
        return 1;
    /* Reserve room for every row at once and draw the list once at the end. */
    elements = SplitValue(value, CountElement, NULL);
    SendMessageA(list, LB_INITSTORAGE, (WPARAM)elements, (LPARAM)(strlen(value) + elements));
    PauseListRedraw(TRUE);
    SplitValue(value, AddElementRow, &target);
    PauseListRedraw(FALSE);
    /* A list that cannot hold every element would write a shortened value back on update. */
    if (target.full)
        ShowSystemError(ERROR_NOT_ENOUGH_MEMORY);
    return !target.full;
}
