#include "entries/findings.h"
#include "common/hash.h"

#include <stdarg.h>
#include <stdio.h>
#include <stdlib.h>
#include <string.h>

static const char *const s_coreSystem[] = {"ALLUSERSPROFILE", "ProgramData", "PUBLIC", "SystemDrive", "SystemRoot"};
static const char *const s_coreUser[] = {"APPDATA", "COMPUTERNAME", "LOCALAPPDATA", "ProgramFiles", "USERPROFILE"};
static const char *const s_account[] = {"USERDNSDOMAIN", "USERDOMAIN", "USERNAME"};

#define MACHINE 0
#define USER    1

#define WHERE_FOR_MACHINE "a machine variable of type REG_SZ"
#define WHERE_FOR_USER    "a machine variable, or a user variable of type REG_SZ"

struct KnownName {
    char *folded;
    int group;
};

/* A folder named by an earlier row: its comparison key and that row's text. */
struct SeenFolder {
    size_t hash;
    char *key;   /* NULL: a free slot */
    char *text;   /* one block: the row's text, a zero, the row's path */
    const char *path;
    int exists;
};

/* What a section's value adds up to, as JoinSection would join it. */
struct SectionTotal {
    int rows;
    int first;      /* the section's first entry row */
    size_t units;   /* the expanded rows' UTF-16 units, without the ';' between them */
    int nonEmpty;   /* the joined value is not empty: it is written, not deleted */
};

struct CheckRun {
    CheckCallbacks cb;
    char *edited;   /* the folded name of the variable being edited */
    int isPath;
    int everyPath;   /* every row's path is asked, even one asked before */
    struct KnownName *known;
    size_t knownCount;
    struct SeenFolder *seen;   /* open addressing; capacity a power of two, at most half full */
    size_t seenCapacity, seenCount;
    int headers;
    struct SectionTotal sections[2];
};

/* A new text made as printf makes it, or NULL. */
static char *FormatText(const char *format, va_list args)
{
    va_list again;
    int length;
    char *text;

    va_copy(again, args);
    length = vsnprintf(NULL, 0, format, args);
    if (length < 0) {
        va_end(again);
        return NULL;
    }
    text = (char *)malloc((size_t)length + 1);
    if (text)
        vsnprintf(text, (size_t)length + 1, format, again);
    va_end(again);
    return text;
}

/* Reports one finding; 0 when memory ran out. A problem of usual length is composed on the
   stack: a check may report one for every one of many rows. */
static int Report(CheckRun *run, int row, const char *format, ...)
{
    va_list args;
    char shortProblem[256], *problem = shortProblem;
    int length;

    va_start(args, format);
    length = vsnprintf(shortProblem, sizeof shortProblem, format, args);
    va_end(args);
    if (length < 0)
        return 0;
    if ((size_t)length >= sizeof shortProblem) {
        va_start(args, format);
        problem = FormatText(format, args);
        va_end(args);
        if (problem == NULL)
            return 0;
    }
    run->cb.found(run->cb.context, row, problem);
    if (problem != shortProblem)
        free(problem);
    return 1;
}

/* fromRegistry: a variable read from the Environment keys, rather than one that Windows sets. */
static int AddKnown(CheckRun *run, const char *name, int group, int fromRegistry)
{
    char *folded = run->cb.fold(run->cb.context, name);

    if (folded == NULL)
        return 0;
    /* The variable being edited is what the list makes of it, whatever the registry holds now. */
    if (fromRegistry && strcmp(folded, run->edited) == 0) {
        free(folded);
        return 1;
    }
    run->known[run->knownCount].folded = folded;
    run->known[run->knownCount].group = group;
    run->knownCount++;
    return 1;
}

static int AddKnownNames(CheckRun *run, const char *const *names, size_t count, int group)
{
    size_t i;

    for (i = 0; i < count; i++)
        if (!AddKnown(run, names[i], group, 0))
            return 0;
    return 1;
}

#define COUNT_OF(a) (sizeof a / sizeof a[0])

const char *const *CoreVariableNames(int group, size_t *count)
{
    *count = group == GROUP_CORE_SYSTEM ? COUNT_OF(s_coreSystem)
           : group == GROUP_CORE_USER   ? COUNT_OF(s_coreUser)
           : group == GROUP_ACCOUNT     ? COUNT_OF(s_account) : 0;
    return group == GROUP_CORE_SYSTEM ? s_coreSystem : group == GROUP_CORE_USER ? s_coreUser : s_account;
}

int VariableGroup(const CheckVariable *variable)
{
    if (variable->machine)
        return variable->expandable ? GROUP_MACHINE_EXPAND : GROUP_MACHINE_SZ;
    return variable->expandable ? GROUP_USER_EXPAND : GROUP_USER_SZ;
}

CheckRun *StartCheck(const char *varName, const CheckVariable *variables, size_t count,
                     const CheckCallbacks *callbacks)
{
    CheckRun *run = (CheckRun *)calloc(1, sizeof *run);
    size_t i, total = count + COUNT_OF(s_coreSystem) + COUNT_OF(s_coreUser) + COUNT_OF(s_account);
    char *path;
    int ok;

    if (run == NULL)
        return NULL;
    run->cb = *callbacks;
    run->edited = run->cb.fold(run->cb.context, varName);
    path = run->cb.fold(run->cb.context, "PATH");
    run->isPath = run->edited && path && strcmp(run->edited, path) == 0;
    free(path);
    run->known = (struct KnownName *)calloc(total, sizeof *run->known);
    run->seenCapacity = 1024;
    run->seen = (struct SeenFolder *)calloc(run->seenCapacity, sizeof *run->seen);
    ok = run->edited && run->known && run->seen &&
         AddKnownNames(run, s_coreSystem, COUNT_OF(s_coreSystem), GROUP_CORE_SYSTEM) &&
         AddKnownNames(run, s_coreUser, COUNT_OF(s_coreUser), GROUP_CORE_USER) &&
         AddKnownNames(run, s_account, COUNT_OF(s_account), GROUP_ACCOUNT);
    for (i = 0; ok && i < count; i++) {
        ok = AddKnown(run, variables[i].name, VariableGroup(&variables[i]), 1);
    }
    if (!ok) {
        EndCheck(run);
        return NULL;
    }
    return run;
}

void EndCheck(CheckRun *run)
{
    size_t i;

    if (run == NULL)
        return;
    for (i = 0; run->known && i < run->knownCount; i++)
        free(run->known[i].folded);
    for (i = 0; run->seen && i < run->seenCapacity; i++) {
        free(run->seen[i].key);
        free(run->seen[i].text);
    }
    free(run->known);
    free(run->seen);
    free(run->edited);
    free(run);
}

static size_t HashOf(const char *key)
{
    return HashBytes(key, strlen(key));
}

/* The slot that holds the key, or the free slot where it would go. */
static struct SeenFolder *SlotOf(struct SeenFolder *slots, size_t capacity, size_t hash, const char *key)
{
    size_t i = hash & (capacity - 1);

    while (slots[i].key != NULL && (slots[i].hash != hash || strcmp(slots[i].key, key) != 0))
        i = (i + 1) & (capacity - 1);
    return &slots[i];
}

static int GrowSeen(CheckRun *run)
{
    size_t capacity = run->seenCapacity * 2, i;
    struct SeenFolder *slots = (struct SeenFolder *)calloc(capacity, sizeof *slots);

    if (slots == NULL)
        return 0;
    for (i = 0; i < run->seenCapacity; i++)
        if (run->seen[i].key != NULL)
            *SlotOf(slots, capacity, run->seen[i].hash, run->seen[i].key) = run->seen[i];
    free(run->seen);
    run->seen = slots;
    run->seenCapacity = capacity;
    return 1;
}

void AskEveryPath(CheckRun *run, int every)
{
    run->everyPath = every;
}

int ReserveCheckRows(CheckRun *run, size_t rows)
{
    while (run->seenCapacity < rows * 2)
        if (!GrowSeen(run))
            return 0;
    return 1;
}

/* Fills the free slot with the folder's key (taken over), the row's text and its path. 0 when
   memory ran out. */
static int AddFolder(CheckRun *run, struct SeenFolder *slot, size_t hash, char *key, const char *text,
                     const char *path, int exists)
{
    size_t textSize = strlen(text) + 1;
    char *block = (char *)malloc(textSize + strlen(path) + 1);

    if (block == NULL) {
        free(key);
        return 0;
    }
    memcpy(block, text, textSize);
    strcpy(block + textSize, path);
    slot->hash = hash;
    slot->key = key;
    slot->text = block;
    slot->path = block + textSize;
    slot->exists = exists;
    run->seenCount++;
    return run->seenCount * 2 <= run->seenCapacity || GrowSeen(run);
}

/* An empty text or one of spaces only. */
static int IsBlank(const char *text)
{
    return text[strspn(text, " ")] == '\0';
}

/* The path without the double quotes that surround it (in place). */
static char *Unquoted(char *path)
{
    size_t length = strlen(path);

    if (length >= 2 && path[0] == '"' && path[length - 1] == '"') {
        path[length - 1] = '\0';
        return path + 1;
    }
    return path;
}

/* The folder's comparison key before the case is folded (in place): '/' as '\', without its
   trailing backslashes, but for the one of a drive's root ("C:\") or of a lone "\". */
static void NormalizeFolder(char *path)
{
    size_t length = strlen(path), i;

    for (i = 0; i < length; i++)
        if (path[i] == '/')
            path[i] = '\\';
    while (length > 1 && path[length - 1] == '\\' && path[length - 2] != ':')
        path[--length] = '\0';
}

/* The key before the case is folded, into key (strlen(path) + 1 bytes); an element's without its
   leading ';' and surrounding quotes, and empty when it is blank. Returns its length. */
static size_t UnfoldedKey(const char *path, int element, char *key)
{
    char *folder;

    if (element && path[0] == ';')
        path++;
    strcpy(key, path);
    folder = element ? Unquoted(key) : key;
    if (element && IsBlank(folder))
        folder[0] = '\0';   /* the check does not take a blank element for a folder */
    NormalizeFolder(folder);
    if (folder != key)
        memmove(key, folder, strlen(folder) + 1);
    return strlen(key);
}

static char *FoldedKey(const char *path, int element, char *(*fold)(void *, const char *), void *context)
{
    char *copy = (char *)malloc(strlen(path) + 1), *key;

    if (copy == NULL)
        return NULL;
    UnfoldedKey(path, element, copy);
    key = fold(context, copy);
    free(copy);
    return key;
}

static char *FolderKey(CheckRun *run, const char *path)
{
    return FoldedKey(path, 0, run->cb.fold, run->cb.context);
}

char *ElementKey(const char *element, char *(*fold)(void *context, const char *text), void *context)
{
    return FoldedKey(element, 1, fold, context);
}

size_t ElementKeyUnfolded(const char *element, char *key)
{
    return UnfoldedKey(element, 1, key);
}

/* Missing and duplicate: what the row's path (expanded, without a leading ';') names; a path
   exactly as an earlier row's is asked again only when every path is to be asked. */
static int CheckFolder(CheckRun *run, int row, const char *text, char *path)
{
    struct SeenFolder *slot = NULL;
    size_t hash = 0;
    char *key;
    int exists;

    path = Unquoted(path);
    key = FolderKey(run, path);
    if (key == NULL)
        return 0;
    if (key[0] != '\0') {
        hash = HashOf(key);
        slot = SlotOf(run->seen, run->seenCapacity, hash, key);
    }
    if (!run->everyPath && slot != NULL && slot->key != NULL && strcmp(slot->path, path) == 0)
        exists = slot->exists;
    else
        exists = run->cb.exists(run->cb.context, path);
    if (!exists && !Report(run, row, "does not exist")) {
        free(key);
        return 0;
    }
    if (slot == NULL) {
        free(key);
        return 1;
    }
    if (slot->key == NULL)
        return AddFolder(run, slot, hash, key, text, path, exists);
    free(key);
    return Report(run, row, "same folder as the earlier row %s", slot->text);
}

static int OddQuotes(const char *text)
{
    int quotes = 0;

    for (; *text; text++)
        quotes += *text == '"';
    return quotes % 2;
}

/* The earliest group that defines the folded name at log-on; GROUP_NONE when none does. */
static int GroupOf(const CheckRun *run, const char *folded)
{
    int group = GROUP_NONE;
    size_t i;

    if (strcmp(folded, run->edited) == 0) {
        if (run->sections[MACHINE].nonEmpty)
            group = GROUP_MACHINE_EXPAND;
        else if (run->sections[USER].nonEmpty)
            group = GROUP_USER_EXPAND;
    }
    for (i = 0; i < run->knownCount; i++)
        if (strcmp(run->known[i].folded, folded) == 0 && (group == GROUP_NONE || run->known[i].group < group))
            group = run->known[i].group;
    return group;
}

/* One reference, %name%, in a row of the section; *known tells whether it is expanded at log-on.
   0 when memory ran out. */
static int CheckReference(CheckRun *run, int row, int section, const char *name, size_t length, int *known)
{
    int last = section == MACHINE ? GROUP_MACHINE_SZ : GROUP_USER_SZ;
    const char *where = section == MACHINE ? WHERE_FOR_MACHINE : WHERE_FOR_USER;
    char *copy = (char *)malloc(length + 1), *folded;
    int group, ok = 1;

    if (copy == NULL)
        return 0;
    memcpy(copy, name, length);
    copy[length] = '\0';
    folded = run->cb.fold(run->cb.context, copy);
    if (folded == NULL) {
        free(copy);
        return 0;
    }
    group = GroupOf(run, folded);
    *known = group != GROUP_NONE && group <= last;
    if (group == GROUP_NONE)
        ok = Report(run, row, "%%%s%% is defined nowhere: it would have to be %s", copy, where);
    else if (!*known)
        ok = Report(run, row, "%%%s%% is not known at log-on: it would have to be %s", copy, where);
    free(copy);
    free(folded);
    return ok;
}

/* Every reference of the row, read as the expansion reads it: a '%', a name of one character
   or more without '%', a '%'. "%%" names nothing. A reference that is not expanded stays as it
   is, so its closing '%' may open the next one; a lone '%' is text. */
static int CheckReferences(CheckRun *run, int row, int section, const char *text)
{
    const char *open = strchr(text, '%');

    while (open != NULL) {
        const char *close = strchr(open + 1, '%');
        int known = 0;

        if (close == NULL)
            break;
        if (close > open + 1 && !CheckReference(run, row, section, open + 1, (size_t)(close - open - 1), &known))
            return 0;
        open = known ? strchr(close + 1, '%') : close;
    }
    return 1;
}

/* The section the row belongs to by the header rows above it: MACHINE, USER or -1 for none. */
static int SectionOf(const CheckRun *run)
{
    return run->headers == 1 ? MACHINE : run->headers == 2 ? USER : -1;
}

static void CountInSection(CheckRun *run, int section, int row, const char *text, size_t units)
{
    struct SectionTotal *total = &run->sections[section];

    if (total->rows++ == 0)
        total->first = row;
    total->units += units;
    /* One empty row joins to the empty value; more rows join to ';' at least. */
    total->nonEmpty = total->rows > 1 || text[0] != '\0';
}

int CheckRow(CheckRun *run, int row, const char *text, int isHeader)
{
    int section, ok = 1;
    size_t skip;
    char *expanded = NULL;

    if (isHeader) {
        run->headers++;
        return 1;
    }
    if (text == NULL)
        text = "";
    section = SectionOf(run);
    skip = text[0] == ';' ? 1 : 0;   /* the expansion leaves a leading ';' where it is */
    if (text[0] != '\0') {
        expanded = run->cb.expand(run->cb.context, text);
        if (expanded == NULL)
            return 0;
    }
    if (section >= 0)
        CountInSection(run, section, row, text, expanded ? run->cb.units(run->cb.context, expanded) : 0);
    if (!IsBlank(text + skip))
        ok = CheckFolder(run, row, text, expanded + skip);
    if (ok && (skip || IsBlank(text)))
        ok = Report(run, row, "empty element (some programs read it as the current folder)");
    if (ok && OddQuotes(text))
        ok = Report(run, row, "odd number of double quotes");
    if (ok && section >= 0)
        ok = CheckReferences(run, row, section, text);
    free(expanded);
    return ok;
}

/* The section's value, expanded, in UTF-16 units, with the ';' between its rows. */
static size_t ValueUnits(const struct SectionTotal *total)
{
    return total->rows > 0 ? total->units + (size_t)(total->rows - 1) : 0;
}

static int ReportTooLong(CheckRun *run, int row, const char *value, size_t units)
{
    if (units <= ENV_VALUE_LIMIT)
        return 1;
    return Report(run, row, "%s %lu characters long expanded, more than %d", value, (unsigned long)units,
                  ENV_VALUE_LIMIT);
}

int FinishCheck(CheckRun *run)
{
    const struct SectionTotal *machine = &run->sections[MACHINE], *user = &run->sections[USER];
    size_t machineUnits = ValueUnits(machine), userUnits = ValueUnits(user);

    if (run->isPath) {
        /* A program's PATH is the machine value, a ';' and the user value. */
        if (!user->nonEmpty)
            return ReportTooLong(run, machine->first, "the machine value is", machineUnits);
        if (!machine->nonEmpty)
            return ReportTooLong(run, user->first, "the user value is", userUnits);
        return ReportTooLong(run, machineUnits > ENV_VALUE_LIMIT ? machine->first : user->first,
                             "the machine and the user value together are", machineUnits + 1 + userUnits);
    }
    /* Another variable's user value takes the place of its machine value. */
    if (user->nonEmpty)
        return ReportTooLong(run, user->first, "the user value is", userUnits);
    return ReportTooLong(run, machine->first, "the machine value is", machineUnits);
}

void FormatCheckSummary(char *out, size_t size, int state, int problems, int rowsDone, int rows)
{
    char found[32];
    const char *unit = rows == 1 ? "row" : "rows";

    if (problems == 0)
        snprintf(found, sizeof found, "No problems");
    else
        snprintf(found, sizeof found, "%d problem%s", problems, problems == 1 ? "" : "s");
    if (state == CHECK_RUNNING)
        snprintf(out, size, "Checking: %d of %d %s", rowsDone, rows, unit);
    else if (state == CHECK_STOPPED)
        snprintf(out, size, "Stopped: %s in %d of %d %s", found, rowsDone, rows, unit);
    else
        snprintf(out, size, "%s in %d %s", found, rows, unit);
}
