#include "output/historyformat.h"
#include "common/asciicase.h"

#include <stdio.h>
#include <stdlib.h>
#include <string.h>

#define RECORD_HEAD "Velkor Editor history 1\n"

static const char *const s_sections[2] = {"machine", "user"};
static const char *const s_whens[2] = {"before", "after"};
static const char s_hex[] = "0123456789abcdef";

/* Room for a value's line: its words and two hex digits per byte. */
static size_t LineSize(const SnapshotValue *value)
{
    return 64 + 2 * value->size;
}

static size_t WriteHex(char *out, const unsigned char *bytes, size_t size)
{
    size_t i;

    for (i = 0; i < size; i++) {
        out[2 * i] = s_hex[bytes[i] >> 4];
        out[2 * i + 1] = s_hex[bytes[i] & 15];
    }
    return 2 * size;
}

static size_t WriteValueLine(char *out, int section, int when, const SnapshotValue *value)
{
    size_t at = (size_t)sprintf(out, "%s %s ", s_sections[section], s_whens[when]);

    if (value->state == SNAPSHOT_VALUE_PRESENT) {
        at += (size_t)sprintf(out + at, "present %lu ", value->type);
        at += WriteHex(out + at, value->bytes, value->size);
    } else if (value->state == SNAPSHOT_VALUE_ABSENT) {
        at += (size_t)sprintf(out + at, "absent");
    } else {
        at += (size_t)sprintf(out + at, "missing %lu", value->error);
    }
    out[at++] = '\n';
    return at;
}

char *ComposeHistoryRecord(const char *name, const HistoryRecord *record, size_t *length)
{
    size_t size = 256 + 2 * strlen(name), at;
    char *text;
    int section, when;

    for (section = 0; section < 2; section++)
        size += LineSize(&record->before[section]) + LineSize(&record->after[section]);
    text = (char *)malloc(size);
    if (text == NULL)
        return NULL;
    at = (size_t)sprintf(text, RECORD_HEAD "name ");
    at += WriteHex(text + at, (const unsigned char *)name, strlen(name));
    at += (size_t)sprintf(text + at, "\ntime %04d-%02d-%02d %02d:%02d:%02d\nby %s\n",
                          record->time.year, record->time.month, record->time.day,
                          record->time.hour, record->time.minute, record->time.second,
                          record->byOther ? "other" : "program");
    for (section = 0; section < 2; section++)
        for (when = 0; when < 2; when++)
            at += WriteValueLine(text + at, section, when,
                                 when == 0 ? &record->before[section] : &record->after[section]);
    text[at] = '\0';
    *length = at;
    return text;
}

/* ---- Reading back ---- */

typedef struct Reader {
    const char *at, *end;
} Reader;

/* The next line (without its '\n') into *line and *count; 0 when there is none. */
static int NextLine(Reader *reader, const char **line, size_t *count)
{
    const char *stop = (const char *)memchr(reader->at, '\n', (size_t)(reader->end - reader->at));

    if (reader->at >= reader->end || stop == NULL)
        return 0;
    *line = reader->at;
    *count = (size_t)(stop - reader->at);
    reader->at = stop + 1;
    return 1;
}

/* The digit's value, as WriteHex writes it (lower case only); -1 for any other character. Every
   retrieve reads the newest record, two digits for each byte of four values: a search of s_hex
   for each of them was most of the time of a retrieve of long values. */
static int HexDigit(char c)
{
    return c >= '0' && c <= '9' ? c - '0' : c >= 'a' && c <= 'f' ? c - 'a' + 10 : -1;
}

/* Decodes count hex digits into a new buffer with three zero bytes after; NULL when they are not
   hex or memory runs out. */
static unsigned char *ReadHex(const char *digits, size_t count, size_t *size)
{
    unsigned char *bytes;
    size_t i;

    if (count % 2 != 0)
        return NULL;
    bytes = (unsigned char *)calloc(count / 2 + 3, 1);
    for (i = 0; bytes && i < count / 2; i++) {
        int high = HexDigit(digits[2 * i]), low = HexDigit(digits[2 * i + 1]);
        if (high < 0 || low < 0) {
            free(bytes);
            return NULL;
        }
        bytes[i] = (unsigned char)(high * 16 + low);
    }
    *size = count / 2;
    return bytes;
}

/* Whether line starts with prefix; *rest then points after it. */
static int Starts(const char *line, size_t count, const char *prefix, const char **rest)
{
    size_t length = strlen(prefix);

    if (count < length || memcmp(line, prefix, length) != 0)
        return 0;
    *rest = line + length;
    return 1;
}

/* A number ended by a space or the line's end, at *at; 0 when there is none. */
static int ReadNumber(const char **at, const char *end, unsigned long *number)
{
    const char *start = *at;

    *number = 0;
    while (*at < end && **at >= '0' && **at <= '9' && *number < 100000000ul)
        *number = *number * 10 + (unsigned long)(*(*at)++ - '0');
    return *at > start && (*at == end || **at == ' ');
}

static int ReadValueLine(const char *line, size_t count, int section, int when, SnapshotValue *value)
{
    char prefix[32];
    const char *rest, *end = line + count;
    unsigned long number;

    snprintf(prefix, sizeof prefix, "%s %s ", s_sections[section], s_whens[when]);
    if (!Starts(line, count, prefix, &rest))
        return 0;
    memset(value, 0, sizeof *value);
    count = (size_t)(end - rest);
    if (count == 6 && memcmp(rest, "absent", 6) == 0) {
        value->state = SNAPSHOT_VALUE_ABSENT;
        return 1;
    }
    if (Starts(rest, count, "missing ", &rest)) {
        value->state = SNAPSHOT_KEY_MISSING;
        return ReadNumber(&rest, end, &value->error) && rest == end;
    }
    if (!Starts(rest, count, "present ", &rest) || !ReadNumber(&rest, end, &number) || rest == end)
        return 0;
    value->state = SNAPSHOT_VALUE_PRESENT;
    value->type = number;
    rest++;
    value->bytes = ReadHex(rest, (size_t)(end - rest), &value->size);
    return value->bytes != NULL;
}

/* The record's first two lines: its head and the variable's name, as a new text without zero
   characters; NULL when they are not a record's. */
static char *ReadHeadName(Reader *reader)
{
    const char *line, *rest;
    size_t count, size = 0;
    char *name;

    if (!NextLine(reader, &line, &count) || count + 1 != strlen(RECORD_HEAD) ||
        memcmp(line, RECORD_HEAD, count) != 0 || !NextLine(reader, &line, &count) ||
        !Starts(line, count, "name ", &rest))
        return NULL;
    name = (char *)ReadHex(rest, count - 5, &size);
    if (name != NULL && strlen(name) != size) {
        free(name);
        name = NULL;
    }
    return name;
}

int SameVariableName(const char *a, const char *b)
{
    return strlen(a) == strlen(b) && SameIgnoringCase(a, b, strlen(a));
}

int ParseHistoryRecord(const char *text, size_t length, HistoryRecord *record, char **name)
{
    Reader reader = {text, text + length};
    const char *line;
    size_t count;
    char by[16] = "";
    int ok, section, when;
    SnapshotTime *time = &record->time;

    memset(record, 0, sizeof *record);
    ok = (*name = ReadHeadName(&reader)) != NULL &&
         NextLine(&reader, &line, &count) && count == 24 &&
         sscanf(line, "time %4d-%2d-%2d %2d:%2d:%2d", &time->year, &time->month, &time->day,
                &time->hour, &time->minute, &time->second) == 6 &&
         NextLine(&reader, &line, &count) && count < sizeof by;
    if (ok) {
        memcpy(by, line, count);
        ok = strcmp(by, "by program") == 0 || strcmp(by, "by other") == 0;
        record->byOther = strcmp(by, "by other") == 0;
    }
    for (section = 0; ok && section < 2; section++)
        for (when = 0; ok && when < 2; when++)
            ok = NextLine(&reader, &line, &count) &&
                 ReadValueLine(line, count, section, when,
                               when == 0 ? &record->before[section] : &record->after[section]);
    if (!ok) {
        ReleaseHistoryRecord(record);
        free(*name);
        *name = NULL;
    }
    return ok;
}

int HistoryNamesVariable(const char *head, size_t size, const char *name)
{
    Reader reader = {head, head + size};
    char *found = ReadHeadName(&reader);
    int same = found != NULL && SameVariableName(found, name);

    free(found);
    return same;
}

void ReleaseHistoryRecord(HistoryRecord *record)
{
    int section;

    for (section = 0; section < 2; section++) {
        free((void *)record->before[section].bytes);
        free((void *)record->after[section].bytes);
    }
    memset(record, 0, sizeof *record);
}

/* ---- File names ---- */

#define HISTORY_TAIL_LENGTH 27   /* "-YYYYMMDD-HHMMSS-NNN.history" after the safe name, less '-' */

void HistoryFileName(char *out, const char *safeName, const SnapshotTime *time, int counter)
{
    snprintf(out, SNAPSHOT_FILE_NAME_SIZE, "%s-%04d%02d%02d-%02d%02d%02d-%03d.history", safeName,
             time->year, time->month, time->day, time->hour, time->minute, time->second, counter);
}

int IsHistoryFileOf(const char *fileName, const char *safeName)
{
    size_t length = strlen(safeName), i;
    const char *tail = fileName + length;
    static const char form[] = "-00000000-000000-000.history";

    if (strlen(fileName) != length + sizeof form - 1 || !SameIgnoringCase(fileName, safeName, length))
        return 0;
    for (i = 0; i < sizeof form - 1; i++) {
        if (form[i] == '0' ? tail[i] < '0' || tail[i] > '9' : tail[i] != form[i])
            return 0;
    }
    return 1;
}

int NewestHistoryFirst(const void *a, const void *b)
{
    const char *x = *(const char *const *)a, *y = *(const char *const *)b;
    size_t xl = strlen(x), yl = strlen(y);

    /* Names of one variable end alike: their tails hold the time and the counter. */
    if (xl < HISTORY_TAIL_LENGTH || yl < HISTORY_TAIL_LENGTH)
        return xl < yl ? 1 : (xl > yl ? -1 : 0);
    return -strcmp(x + xl - HISTORY_TAIL_LENGTH, y + yl - HISTORY_TAIL_LENGTH);
}

void FormatHistoryTime(char *out, const SnapshotTime *time)
{
    snprintf(out, HISTORY_TIME_SIZE, "%04d-%02d-%02d %02d:%02d:%02d", time->year, time->month,
             time->day, time->hour, time->minute, time->second);
}
