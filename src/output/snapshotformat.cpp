#include "output/snapshotformat.h"
#include "common/asciicase.h"
#include "common/texts.h"

#include <stdio.h>
#include <stdlib.h>
#include <string.h>

#define REG_SZ_TYPE 1
#define REG_EXPAND_SZ_TYPE 2
#define REG_MULTI_SZ_TYPE 7

/* Text gathers here and goes to the file in pieces, so that long values cost few calls. */
typedef struct Chunk {
    TextFile *file;
    int ascii;   /* the text is all ASCII: it goes through WriteAscii */
    size_t used;
    char text[4096];
} Chunk;

/* Hands ASCII text to a Unicode text file as UTF-16LE in one piece, a CR before every LF, past
   the decoding byte by byte of WriteText: the hex of a long value is most of a snapshot's bytes.
   FinishTextFile first hands on what the file holds; the file goes on after it as before. */
static void WriteAscii(TextFile *file, const char *text, size_t count)
{
    unsigned char units[4 * sizeof ((Chunk *)0)->text];
    size_t used = 0, i;

    if (!FinishTextFile(file))
        return;
    for (i = 0; i < count; i++) {
        if (text[i] == '\n') {
            units[used++] = '\r';
            units[used++] = 0;
        }
        units[used++] = (unsigned char)text[i];
        units[used++] = 0;
    }
    if (used > 0 && !file->sink(file->context, (const char *)units, used))
        file->failed = 1;
}

static void FlushChunk(Chunk *chunk)
{
    chunk->text[chunk->used] = '\0';
    if (chunk->ascii && chunk->file->utf16)
        WriteAscii(chunk->file, chunk->text, chunk->used);
    else
        WriteText(chunk->file, chunk->text);
    chunk->used = 0;
}

/* Room is kept for the longest piece that is ever added at once: 8 bytes. */
static void AddToChunk(Chunk *chunk, const char *bytes, size_t count)
{
    if (chunk->used + count + 8 >= sizeof chunk->text)
        FlushChunk(chunk);
    memcpy(chunk->text + chunk->used, bytes, count);
    chunk->used += count;
}

static unsigned Unit(const unsigned char *bytes, size_t index)
{
    return bytes[2 * index] | (unsigned)bytes[2 * index + 1] << 8;
}

static int IsHigh(unsigned unit)
{
    return unit >= 0xD800 && unit <= 0xDBFF;
}

static int IsLow(unsigned unit)
{
    return unit >= 0xDC00 && unit <= 0xDFFF;
}

static int IsStringType(unsigned long type)
{
    return type == REG_SZ_TYPE || type == REG_EXPAND_SZ_TYPE || type == REG_MULTI_SZ_TYPE;
}

/* Whether a quoted string gives back exactly these bytes when imported: whole UTF-16 units ending
   in the one zero unit, no line break (a line of the file would end there), no surrogate without
   its partner (UTF-8 cannot carry it) and, in a REGEDIT4 file (utf16 0), nothing beyond ASCII. */
static int IsQuotable(int utf16, const SnapshotValue *value)
{
    size_t units = value->size / 2, i;

    if (value->type != REG_SZ_TYPE || value->size % 2 != 0 || units == 0 ||
        Unit(value->bytes, units - 1) != 0)
        return 0;
    for (i = 0; i + 1 < units; i++) {
        unsigned unit = Unit(value->bytes, i);
        if (unit == 0 || unit == '\r' || unit == '\n' || IsLow(unit) || (!utf16 && unit >= 0x80))
            return 0;
        if (IsHigh(unit)) {
            if (i + 2 >= units || !IsLow(Unit(value->bytes, i + 1)))
                return 0;
            i++;
        }
    }
    return 1;
}

/* point as UTF-8 into out; returns the byte count. */
static size_t EncodeUtf8(unsigned long point, char *out)
{
    if (point < 0x80) {
        out[0] = (char)point;
        return 1;
    }
    if (point < 0x800) {
        out[0] = (char)(0xC0 | (point >> 6));
        out[1] = (char)(0x80 | (point & 0x3F));
        return 2;
    }
    if (point < 0x10000) {
        out[0] = (char)(0xE0 | (point >> 12));
        out[1] = (char)(0x80 | ((point >> 6) & 0x3F));
        out[2] = (char)(0x80 | (point & 0x3F));
        return 3;
    }
    out[0] = (char)(0xF0 | (point >> 18));
    out[1] = (char)(0x80 | ((point >> 12) & 0x3F));
    out[2] = (char)(0x80 | ((point >> 6) & 0x3F));
    out[3] = (char)(0x80 | (point & 0x3F));
    return 4;
}

/* "TEXT" of a quotable value, a backslash before every backslash and double quote. */
static void WriteQuoted(TextFile *file, const SnapshotValue *value)
{
    Chunk chunk;
    size_t units = value->size / 2 - 1, i;
    char utf8[4];

    chunk.file = file;
    chunk.ascii = 0;
    chunk.used = 0;
    AddToChunk(&chunk, "\"", 1);
    for (i = 0; i < units; i++) {
        unsigned long point = Unit(value->bytes, i);
        if (IsHigh((unsigned)point)) {
            point = 0x10000 + ((point - 0xD800) << 10) + (Unit(value->bytes, i + 1) - 0xDC00);
            i++;
        }
        if (point == '\\' || point == '"')
            AddToChunk(&chunk, "\\", 1);
        AddToChunk(&chunk, utf8, EncodeUtf8(point, utf8));
    }
    AddToChunk(&chunk, "\"", 1);
    FlushChunk(&chunk);
}

/* hex(N):xx,xx,... with the line continued by a backslash once it is about 78 columns wide, as
   the registry editor writes it; column is where the line stands after "NAME"=. The bytes are
   the stored ones, except in a REGEDIT4 file, where the registry editor reads a string type's
   bytes in its code page: there each UTF-16 unit (all ASCII, see WriteBackupFile) is one byte. */
static void WriteHex(TextFile *file, const SnapshotValue *value, size_t column)
{
    static const char digits[] = "0123456789abcdef";
    size_t step = !file->utf16 && IsStringType(value->type) ? 2 : 1;
    Chunk chunk;
    char head[32];
    size_t i;

    chunk.file = file;
    chunk.ascii = 1;
    chunk.used = 0;
    snprintf(head, sizeof head, "hex(%lx):", value->type);
    AddToChunk(&chunk, head, strlen(head));
    column += strlen(head);
    for (i = 0; i + step <= value->size; i += step) {
        char pair[3] = {digits[value->bytes[i] >> 4], digits[value->bytes[i] & 0xF], ','};
        int last = i + 2 * step > value->size;
        AddToChunk(&chunk, pair, last ? 2 : 3);
        column += 3;
        if (!last && column >= 76) {
            AddToChunk(&chunk, "\\\n  ", 4);
            column = 2;
        }
    }
    FlushChunk(&chunk);
}

/* The width of "NAME"= in characters, the name escaped. */
static size_t NameColumn(const char *name)
{
    size_t column = 3;

    for (; *name != '\0'; name++) {
        if ((*name & 0xC0) != 0x80)
            column++;
        if (*name == '\\' || *name == '"')
            column++;
    }
    return column;
}

/* "NAME"= and the value, in the file's encoding, then the line end. */
static void WriteValueLine(TextFile *file, const char *name, const SnapshotValue *value)
{
    WriteText(file, "\"");
    WriteEscapedValue(file, name);
    WriteText(file, "\"=");
    if (value->state == SNAPSHOT_VALUE_ABSENT)
        WriteText(file, "-");
    else if (IsQuotable(file->utf16, value))
        WriteQuoted(file, value);
    else
        WriteHex(file, value, NameColumn(name));
    WriteText(file, "\n");
}

void WriteSnapshotHead(TextFile *file)
{
    WriteText(file, UNICODE_REG_HEAD "\n");
}

void WriteSnapshotBlock(TextFile *file, const char *keyPath, const char *name,
                        const SnapshotValue *value)
{
    if (value->state == SNAPSHOT_KEY_MISSING) {
        char error[64];
        snprintf(error, sizeof error, " could not be opened (error %lu)", value->error);
        WriteText(file, "\n; ");
        WriteText(file, keyPath);
        WriteText(file, error);
        WriteText(file, ": its value is not in this snapshot\n");
        return;
    }
    WriteRegKeyLine(file, keyPath);
    WriteValueLine(file, name, value);
}

struct SnapshotValues {
    const char *name;
    const SnapshotValue *user, *machine;
};

static void WriteSnapshot(TextFile *file, const void *context)
{
    const struct SnapshotValues *values = (const struct SnapshotValues *)context;

    WriteSnapshotHead(file);
    WriteSnapshotBlock(file, USER_ENV_KEY, values->name, values->user);
    WriteSnapshotBlock(file, MACHINE_ENV_KEY, values->name, values->machine);
}

char *ComposeSnapshotFile(const char *name, const SnapshotValue *user,
                          const SnapshotValue *machine, size_t *length)
{
    struct SnapshotValues values = {name, user, machine};
    return ComposeInMemory(1, WriteSnapshot, &values, length);
}

static int IsPresent(const SnapshotValue *value)
{
    return value != NULL && value->state == SNAPSHOT_VALUE_PRESENT;
}

/* Whether a REGEDIT4 file carries the value exactly: a string type only as whole ASCII units
   ending in a zero unit, which the registry editor converts back unit for unit; the bytes of
   any other type go as they are. A REG_SZ must be a quoted string there: the registry editor's
   widening of hex() bytes in a REGEDIT4 file is documented for REG_EXPAND_SZ and REG_MULTI_SZ
   only, so that a REG_SZ in hex(1) might come back as its bytes unwidened. */
static int FitsRegedit4(const SnapshotValue *value)
{
    size_t units, i;

    if (!IsPresent(value) || !IsStringType(value->type))
        return 1;
    if (value->type == REG_SZ_TYPE)
        return IsQuotable(0, value);
    units = value->size / 2;
    if (value->size % 2 != 0 || units == 0 || Unit(value->bytes, units - 1) != 0)
        return 0;
    for (i = 0; i < units; i++)
        if (Unit(value->bytes, i) >= 0x80)
            return 0;
    return 1;
}

static int IsAscii(const char *text)
{
    for (; *text != '\0'; text++)
        if ((unsigned char)*text >= 0x80)
            return 0;
    return 1;
}

static void WriteBackupBlock(TextFile *file, const char *keyPath, const char *name,
                             const SnapshotValue *value)
{
    if (!IsPresent(value))
        return;
    WriteRegKeyLine(file, keyPath);
    WriteValueLine(file, name, value);
}

void WriteBackupFile(TextFile *file, const char *name, const SnapshotValue *user,
                     const SnapshotValue *machine)
{
    if (IsAscii(name) && FitsRegedit4(user) && FitsRegedit4(machine)) {
        WriteText(file, "REGEDIT4\n");
    } else {
        StartUnicodeTextFile(file, file->sink, file->context);
        WriteSnapshotHead(file);
    }
    WriteBackupBlock(file, USER_ENV_KEY, name, user);
    WriteBackupBlock(file, MACHINE_ENV_KEY, name, machine);
}

static void WriteBackup(TextFile *file, const void *context)
{
    const struct SnapshotValues *values = (const struct SnapshotValues *)context;

    WriteBackupFile(file, values->name, values->user, values->machine);
}

char *ComposeBackupFile(const char *name, const SnapshotValue *user, const SnapshotValue *machine,
                        size_t *length)
{
    struct SnapshotValues values = {name, user, machine};
    return ComposeInMemory(0, WriteBackup, &values, length);
}

/* The length of the well-formed UTF-8 character at text (1 to 4), or 0 when it is not one. */
static size_t Utf8Length(const unsigned char *text)
{
    size_t length, i;
    unsigned long point;

    if (text[0] < 0x80)
        return 1;
    if ((text[0] & 0xE0) == 0xC0) {
        length = 2;
        point = text[0] & 0x1F;
    } else if ((text[0] & 0xF0) == 0xE0) {
        length = 3;
        point = text[0] & 0x0F;
    } else if ((text[0] & 0xF8) == 0xF0) {
        length = 4;
        point = text[0] & 0x07;
    } else {
        return 0;
    }
    for (i = 1; i < length; i++) {
        if ((text[i] & 0xC0) != 0x80)
            return 0;
        point = (point << 6) | (text[i] & 0x3F);
    }
    if (point < (length == 2 ? 0x80UL : length == 3 ? 0x800UL : 0x10000UL) || point > 0x10FFFF ||
        (point >= 0xD800 && point <= 0xDFFF))
        return 0;
    return length;
}

void SanitizeSnapshotName(const char *name, char *out)
{
    const unsigned char *in = (const unsigned char *)name;
    size_t units = 0, used = 0;

    while (*in != '\0') {
        size_t length = Utf8Length(in);
        size_t width = length == 4 ? 2 : 1;   /* UTF-16 units */
        if (units + width > SNAPSHOT_NAME_UNITS)
            break;
        units += width;
        if (length == 0 || *in < 0x20 || strchr("\\/:*?\"<>|", *in) != NULL) {
            out[used++] = '_';
            in += length == 0 ? 1 : length;
        } else {
            memcpy(out + used, in, length);
            used += length;
            in += length;
        }
    }
    out[used] = '\0';
}

void SnapshotFileName(char *out, const char *safeName, const SnapshotTime *time, int counter)
{
    char counterText[16] = "";

    if (counter >= 2)
        snprintf(counterText, sizeof counterText, "-%d", counter);
    snprintf(out, SNAPSHOT_FILE_NAME_SIZE, "%s-%04d%02d%02d-%02d%02d%02d%s.reg", safeName,
             time->year, time->month, time->day, time->hour, time->minute, time->second,
             counterText);
}

static int SameLetter(char a, char b)
{
    return AsciiUpper(a) == AsciiUpper(b);
}

/* Reads count digits at *text into *number; 0 when there are fewer. */
static int TakeDigits(const char **text, size_t count, unsigned long long *number)
{
    size_t i;

    for (i = 0; i < count; i++) {
        if ((*text)[i] < '0' || (*text)[i] > '9')
            return 0;
        *number = *number * 10 + (unsigned long long)((*text)[i] - '0');
    }
    *text += count;
    return 1;
}

/* A snapshot's age, newest largest. */
typedef struct SnapshotAge {
    unsigned long long stamp;   /* YYYYMMDDHHMMSS */
    unsigned long counter;
    size_t index;
} SnapshotAge;

/* Whether fileName is "SAFENAME-YYYYMMDD-HHMMSS[-N].reg"; *age gets its time and counter. */
static int ReadSnapshotAge(const char *fileName, const char *safeName, SnapshotAge *age)
{
    const char *at = fileName;
    unsigned long long counter = 0;

    for (; *safeName != '\0'; safeName++, at++)
        if (!SameLetter(*at, *safeName))
            return 0;
    age->stamp = 0;
    if (*at++ != '-' || !TakeDigits(&at, 8, &age->stamp) || *at++ != '-' ||
        !TakeDigits(&at, 6, &age->stamp))
        return 0;
    age->counter = 1;
    if (*at == '-') {
        at++;
        if (*at == '0' || !TakeDigits(&at, 1, &counter))
            return 0;
        while (*at >= '0' && *at <= '9' && counter < 100000000)
            TakeDigits(&at, 1, &counter);
        if (counter < 2)
            return 0;
        age->counter = (unsigned long)counter;
    }
    return SameLetter(at[0], '.') && SameLetter(at[1], 'R') && SameLetter(at[2], 'E') &&
           SameLetter(at[3], 'G') && at[4] == '\0';
}

static int NewestFirst(const void *a, const void *b)
{
    const SnapshotAge *x = (const SnapshotAge *)a, *y = (const SnapshotAge *)b;

    if (x->stamp != y->stamp)
        return x->stamp > y->stamp ? -1 : 1;
    if (x->counter != y->counter)
        return x->counter > y->counter ? -1 : 1;
    return 0;
}

int IsSnapshotFileOf(const char *fileName, const char *safeName)
{
    SnapshotAge age;
    return ReadSnapshotAge(fileName, safeName, &age);
}

static int SameName(const char *a, const char *b)
{
    for (; *a != '\0' && *b != '\0'; a++, b++)
        if (!SameLetter(*a, *b))
            return 0;
    return *a == *b;
}

size_t ChooseOldSnapshots(const char *const *names, const unsigned char *ours, size_t count,
                          const char *safeName, const char *written, size_t keep,
                          unsigned char *doomed)
{
    SnapshotAge *ages = (SnapshotAge *)malloc((count ? count : 1) * sizeof *ages);
    size_t found = 0, marked = 0, i;

    memset(doomed, 0, count);
    if (ages == NULL)
        return 0;   /* nothing is deleted rather than the wrong files */
    if (written != NULL && keep > 0)
        keep--;   /* its place, whether the listing shows it or not */
    for (i = 0; i < count; i++) {
        if (ours[i] && (written == NULL || !SameName(names[i], written)) &&
            ReadSnapshotAge(names[i], safeName, &ages[found])) {
            ages[found].index = i;
            found++;
        }
    }
    qsort(ages, found, sizeof *ages, NewestFirst);
    for (i = keep; i < found; i++) {
        doomed[ages[i].index] = 1;
        marked++;
    }
    free(ages);
    return marked;
}

/* Compares the UTF-8 form of point with the next bytes of *name and steps past them; 0 when they
   differ. ASCII letters' case is ignored. */
static int TakeNamePoint(const char **name, unsigned long point)
{
    char utf8[4];
    size_t length = EncodeUtf8(point, utf8), i;

    for (i = 0; i < length; i++)
        if ((*name)[i] == '\0' || !SameLetter((*name)[i], utf8[i]))
            return 0;
    *name += length;
    return 1;
}

/* The first value line's name: from the quote that opens it (at unit *at) to the one that closes
   it, a backslash escaping the next unit, which must be a backslash or a quote. */
static int NameLineIs(const unsigned char *head, size_t units, size_t at, const char *name)
{
    for (at++; at < units; at++) {
        unsigned long point = Unit(head, at);
        if (point == '"')
            return at + 1 < units && Unit(head, at + 1) == '=' && *name == '\0';
        if (point == '\\') {
            if (++at >= units)
                return 0;
            point = Unit(head, at);
            if (point != '\\' && point != '"')
                return 0;
        } else if (point == '\r' || point == '\n' || IsLow((unsigned)point)) {
            return 0;
        } else if (IsHigh((unsigned)point)) {
            if (++at >= units || !IsLow(Unit(head, at)))
                return 0;
            point = 0x10000 + ((point - 0xD800) << 10) + (Unit(head, at) - 0xDC00);
        }
        if (!TakeNamePoint(&name, point))
            return 0;
    }
    return 0;   /* the head ends inside the name */
}

int SnapshotNamesVariable(const unsigned char *head, size_t size, const char *name)
{
    size_t units = size / 2, at = 1;

    if (units == 0 || Unit(head, 0) != 0xFEFF)
        return 0;
    while (at < units) {
        if (Unit(head, at) == '"')
            return NameLineIs(head, units, at, name);
        while (at < units && Unit(head, at) != '\n')
            at++;
        at++;   /* the line after it */
    }
    return 0;
}
