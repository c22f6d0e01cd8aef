/* The console program's commands, over the editor's own registry access, split, snapshot,
   findings, file formats and notice. Nothing here asks: what the editor asks in a question, a
   command states on its line, and what it would refuse, a command refuses with its exit code. */
#include "console/commands.h"
#include "console/conout.h"
#include "console/rows.h"
#include "entries/checksystem.h"
#include "entries/findings.h"
#include "output/history.h"
#include "output/outfile.h"
#include "output/snapshot.h"
#include "output/snapshotformat.h"
#include "registry/confirmtext.h"
#include "registry/notify.h"
#include "registry/regaccess.h"
#include "common/texts.h"

#include <stdio.h>
#include <stdlib.h>
#include <string.h>

#define MACHINE 0
#define USER    1

static const char *const s_paths[2] = {MACHINE_ENV_KEY, USER_ENV_KEY};
static const char *const s_headers[2] = {MACHINE_HEADER_TEXT, USER_HEADER_TEXT};
static const char *const s_sectionNames[2] = {MACHINE_SECTION_NAME, USER_SECTION_NAME};

/* One section's value as read, and its rows. */
typedef struct Section {
    StoredValue stored;
    char *text;      /* StoredValueText; the rows point into it */
    RowList rows;
} Section;

static void ReleaseSection(Section *section)
{
    ReleaseStoredValue(&section->stored);
    free(section->text);
    ReleaseRows(&section->rows);
    section->text = NULL;
}

/* Reads the section's value and splits it into rows. EXIT_DONE, or EXIT_FAILED after the
   system's text has been told. */
static int ReadSection(int which, const char *name, Section *section)
{
    ZeroMemory(section, sizeof *section);
    ReadStoredValue(s_paths[which], name, &section->stored);
    if (section->stored.status != ERROR_SUCCESS && !StoredValueAbsent(&section->stored)) {
        ErrSystem(s_sectionNames[which], (DWORD)section->stored.status);
        return EXIT_FAILED;
    }
    section->text = StoredValueText(&section->stored, NULL);
    if (section->text == NULL || !SplitRows(section->text, &section->rows)) {
        ErrSystem(s_sectionNames[which], ERROR_NOT_ENOUGH_MEMORY);
        return EXIT_FAILED;
    }
    return EXIT_DONE;
}

/* Refuses a name that the editor refuses. */
static int RefuseName(const char *name)
{
    const char *refusal = VarNameRefusal(name, 1);

    if (refusal == NULL)
        return EXIT_DONE;
    ErrLine(refusal);
    return EXIT_UNSAFE;
}

/* Reads both sections, stopping at a refused name or a failed read. */
static int ReadBoth(const char *name, Section sections[2])
{
    int code = RefuseName(name);

    ZeroMemory(sections, 2 * sizeof *sections);
    if (code == EXIT_DONE)
        code = ReadSection(MACHINE, name, &sections[MACHINE]);
    if (code == EXIT_DONE)
        code = ReadSection(USER, name, &sections[USER]);
    return code;
}

/* ---- show, export ---- */

int ShowCommand(const ConsoleArgs *args)
{
    Section sections[2];
    int code = ReadBoth(args->name, sections), which;
    size_t r;

    for (which = 0; code == EXIT_DONE && which < 2; which++) {
        OutLine(s_headers[which]);
        for (r = 0; r < sections[which].rows.count; r++)
            OutLine(sections[which].rows.rows[r]);
    }
    ReleaseSection(&sections[MACHINE]);
    ReleaseSection(&sections[USER]);
    return code;
}

/* Closes the file and tells a failure. */
static int Closed(OutFile *file, const char *path)
{
    DWORD error = CloseOutFile(file);

    if (error != 0) {
        ErrSystem(path, error);
        return EXIT_FAILED;
    }
    return EXIT_DONE;
}

int ExportCommand(const ConsoleArgs *args)
{
    Section sections[2];
    int code = ReadBoth(args->name, sections), which;
    OutFile file;
    size_t r;

    if (code == EXIT_DONE && !OpenOutFile(&file, args->file)) {
        ErrSystem(args->file, GetLastError());
        code = EXIT_FAILED;
    } else if (code == EXIT_DONE) {
        WriteExportHead(&file.text, args->name);
        for (which = 0; which < 2; which++) {
            WriteExportRow(&file.text, s_headers[which]);
            for (r = 0; r < sections[which].rows.count; r++)
                WriteExportRow(&file.text, sections[which].rows.rows[r]);
        }
        code = Closed(&file, args->file);
    }
    ReleaseSection(&sections[MACHINE]);
    ReleaseSection(&sections[USER]);
    return code;
}

/* ---- backup ---- */

int BackupCommand(const ConsoleArgs *args)
{
    Section sections[2];
    int code = ReadBoth(args->name, sections);
    SnapshotValue user, machine;
    char *name = code == EXIT_DONE ? Utf8FromText(args->name) : NULL;
    OutFile file;

    if (code == EXIT_DONE && name == NULL) {
        ErrSystem("velkorc", ERROR_NOT_ENOUGH_MEMORY);
        code = EXIT_FAILED;
    } else if (code == EXIT_DONE && !OpenOutFile(&file, args->file)) {
        ErrSystem(args->file, GetLastError());
        code = EXIT_FAILED;
    } else if (code == EXIT_DONE) {
        /* Read or absent, nothing else: a value that does not exist leaves its block out. */
        user = RecordedValue(&sections[USER].stored);
        machine = RecordedValue(&sections[MACHINE].stored);
        WriteBackupFile(&file.text, name, &user, &machine);
        code = Closed(&file, args->file);
    }
    free(name);
    ReleaseSection(&sections[MACHINE]);
    ReleaseSection(&sections[USER]);
    return code;
}

/* ---- notify ---- */

int NotifyCommand(void)
{
    if (!BroadcastEnvironmentChange()) {
        ErrSystem("notify", GetLastError());
        return EXIT_FAILED;
    }
    OutLine("Running programs have been told that the environment has changed. Programs that are "
            "already running, such as open command prompts, keep the value they started with.");
    return EXIT_DONE;
}

/* ---- check ---- */

typedef struct Finding {
    int row, order;
    char *problem;
} Finding;

typedef struct CheckOutput {
    Finding *findings;
    int count, capacity;
    BOOL failed;
    DWORD expandError;
} CheckOutput;

static char *ExpandForCheck(void *context, const char *text)
{
    return ExpandForFindings(text, &((CheckOutput *)context)->expandError);
}

static int ExistsForCheck(void *context, const char *path)
{
    (void)context;
    return EntryExists(path);
}

static void KeepFinding(void *context, int row, const char *problem)
{
    CheckOutput *output = (CheckOutput *)context;
    char *copy = (char *)malloc(strlen(problem) + 1);

    if (copy != NULL && output->count == output->capacity) {
        int capacity = output->capacity * 2 + 16;
        Finding *larger = (Finding *)realloc(output->findings, (size_t)capacity * sizeof *larger);
        if (larger == NULL) {
            free(copy);
            copy = NULL;
        } else {
            output->findings = larger;
            output->capacity = capacity;
        }
    }
    if (copy == NULL) {
        output->failed = TRUE;
        return;
    }
    strcpy(copy, problem);
    output->findings[output->count].row = row;
    output->findings[output->count].order = output->count;
    output->findings[output->count++].problem = copy;
}

/* The findings in the rows' order, each row's in the order they were found: the too-long ones
   come last from the check but go after their row's others. */
static int ByRow(const void *a, const void *b)
{
    const Finding *x = (const Finding *)a, *y = (const Finding *)b;

    return x->row != y->row ? (x->row < y->row ? -1 : 1) : (x->order < y->order ? -1 : 1);
}

/* Runs the check over the rows of both sections; the row numbers count the header rows as the
   editor's list does. 0 when memory ran out. */
static int RunCheck(const char *name, Section sections[2], CheckOutput *output, int *entries)
{
    CheckCallbacks callbacks = {output, ExpandForCheck, ExistsForCheck, TextUnitsOf, FoldTextCase, KeepFinding};
    ValueName *names[2] = {NULL, NULL};
    size_t counts[2] = {0, 0}, count = 0, r;
    CheckVariable *variables = ReadCheckVariables(names, counts, &count);
    CheckRun *run = variables ? StartCheck(name, variables, count, &callbacks) : NULL;
    int row = 0, which, ok = run != NULL;

    *entries = 0;
    for (which = 0; ok && which < 2; which++) {
        ok = CheckRow(run, row++, NULL, 1);
        for (r = 0; ok && r < sections[which].rows.count; r++, (*entries)++)
            ok = CheckRow(run, row++, sections[which].rows.rows[r], 0) && !output->failed;
    }
    ok = ok && FinishCheck(run) && !output->failed;
    EndCheck(run);
    ReleaseCheckVariables(variables, names, counts);
    return ok;
}

/* The row's text by its number in the list of both sections. */
static const char *RowText(Section sections[2], int row)
{
    size_t machineRows = sections[MACHINE].rows.count;

    if (row == 0 || (size_t)row == machineRows + 1)
        return s_headers[(size_t)row == 0 ? MACHINE : USER];
    if ((size_t)row <= machineRows)
        return sections[MACHINE].rows.rows[row - 1];
    return sections[USER].rows.rows[(size_t)row - machineRows - 2];
}

int CheckCommand(const ConsoleArgs *args)
{
    Section sections[2];
    CheckOutput output;
    char summary[128];
    int code = ReadBoth(args->name, sections), entries = 0, i;

    ZeroMemory(&output, sizeof output);
    if (code == EXIT_DONE && !RunCheck(args->name, sections, &output, &entries)) {
        ErrSystem("check", ERROR_NOT_ENOUGH_MEMORY);
        code = EXIT_FAILED;
    } else if (code == EXIT_DONE) {
        qsort(output.findings, (size_t)output.count, sizeof *output.findings, ByRow);
        for (i = 0; i < output.count; i++) {
            Out(RowText(sections, output.findings[i].row));
            Out("\t");
            OutLine(output.findings[i].problem);
        }
        FormatCheckSummary(summary, sizeof summary, CHECK_DONE, output.count, entries, entries);
        OutLine(summary);
        if (output.expandError != 0)
            ErrSystem("expanding a reference", output.expandError);
        code = output.count > 0 ? EXIT_PROBLEMS : EXIT_DONE;
    }
    for (i = 0; i < output.count; i++)
        free(output.findings[i].problem);
    free(output.findings);
    ReleaseSection(&sections[MACHINE]);
    ReleaseSection(&sections[USER]);
    return code;
}

/* ---- add, remove ---- */

/* "The Local Machine value of "NAME" " and the rest, a line on standard error. */
static void ErrAbout(int which, const char *name, const char *rest)
{
    size_t size = strlen(name) + strlen(rest) + 64;
    char *line = (char *)malloc(size);

    if (line != NULL) {
        snprintf(line, size, "The %s value of \"%s\" %s", s_sectionNames[which], name, rest);
        ErrLine(line);
    }
    free(line);
}

/* Whether the section's value can be changed safely; EXIT_UNSAFE after saying why not. */
static int RefuseLeftAsStored(int which, const char *name, const Section *section)
{
    struct LeftAsStored left = LeftAsStoredOf(&section->stored);
    char *note;

    if (left.reason == LEFT_NONE)
        return EXIT_DONE;
    note = ComposeLeftAsStoredNote(&left);
    ErrAbout(which, name, note ? note : "is left as it is in the registry");
    ErrLine("Nothing was written.");
    free(note);
    return EXIT_UNSAFE;
}

/* The change to one section, into *edit. */
static int EditSection(const ConsoleArgs *args, int which, const Section *section, RowEdit *edit)
{
    int code = RefuseLeftAsStored(which, args->name, section), ok;

    if (code != EXIT_DONE)
        return code;
    ok = args->command == CMD_ADD
       ? AddElements(&section->rows, args->elements, args->elementCount, args->first, FoldTextCase, NULL, edit)
       : RemoveElements(&section->rows, args->elements, args->elementCount, FoldTextCase, NULL, edit);
    if (!ok) {
        ErrSystem(s_sectionNames[which], ERROR_NOT_ENOUGH_MEMORY);
        return EXIT_FAILED;
    }
    if (edit->unsafe < 0)
        return EXIT_DONE;
    if (edit->unsafe < args->elementCount) {
        ErrLine(args->elements[edit->unsafe]);
        ErrAbout(which, args->name, "cannot take this element as one row: its double quotes and ';' "
                                    "would split it otherwise. Nothing was written.");
    } else {
        ErrAbout(which, args->name, "would not keep its other rows as they are with this change. "
                                    "Nothing was written.");
    }
    return EXIT_UNSAFE;
}

/* What the change does, a line per section changed, and with --dry-run both values as they
   would be written. */
static void TellChange(const ConsoleArgs *args, Section sections[2], RowEdit edits[2])
{
    char line[256];
    int which;

    for (which = 0; which < 2; which++) {
        if (edits[which].value == NULL)
            continue;
        snprintf(line, sizeof line, "%s: %d %s %s", s_sectionNames[which], edits[which].changed,
                 args->command == CMD_ADD ? (edits[which].changed == 1 ? "element" : "elements")
                                          : (edits[which].changed == 1 ? "row" : "rows"),
                 args->command == CMD_ADD ? "added" : "removed");
        OutLine(line);
    }
    if (!args->dryRun)
        return;
    for (which = 0; which < 2; which++) {
        const char *value = edits[which].value ? edits[which].value : sections[which].text;
        Out(s_headers[which]);
        OutLine(edits[which].value ? "" : " (unchanged)");
        /* An emptied section deletes the value. */
        OutLine(value[0] != '\0' ? value : edits[which].value ? "(none: the value is deleted)" : "(none)");
    }
    OutLine("Nothing was written (--dry-run).");
}

static void ErrChanged(const char *name)
{
    ErrLine("Another program has changed the value meanwhile: nothing was written. Run the "
            "command again to change the value as it stands now.");
    ErrLine(name);
}

/* Records in the editor's History what the write did: each section before it, and after it what
   was written or, where nothing was, as before. A record that cannot be written is said, but the
   values are written already. */
static void RecordInHistory(const char *name, const Section sections[2], const RowEdit edits[2],
                            const BOOL written[2])
{
    StoredValue before[2], after[2];
    char *utf8Name = Utf8FromText(name);
    DWORD error = utf8Name ? 0 : ERROR_NOT_ENOUGH_MEMORY;
    int which;

    for (which = 0; which < 2; which++) {
        before[which] = sections[which].stored;
        if (written[which])
            WrittenStoredValue(edits[which].value, &after[which]);
    }
    if (error == 0)
        error = RecordWrite(utf8Name, before, written[MACHINE] ? &after[MACHINE] : &before[MACHINE],
                            written[USER] ? &after[USER] : &before[USER]);
    for (which = 0; which < 2; which++)
        if (written[which])
            ReleaseStoredValue(&after[which]);
    free(utf8Name);
    if (error != 0)
        ErrSystem("The change was written, but its record in History could not be", error);
}

/* The snapshot, the read right before the write, the write of each section changed, and its
   record in History. */
static int WriteChanges(const ConsoleArgs *args, Section sections[2], RowEdit edits[2])
{
    const StoredValue *shown[2];
    StoredValue now;
    DWORD error = 0;
    LONG status;
    int which, snapshot, code = EXIT_DONE;
    BOOL written[2] = {FALSE, FALSE};

    for (which = 0; which < 2; which++)
        shown[which] = edits[which].value ? &sections[which].stored : NULL;
    snapshot = TakeSnapshotQuietly(args->name, shown[MACHINE], shown[USER], &error);
    if (snapshot == SNAPSHOT_FAILED) {
        ErrSystem("The snapshot could not be written, so nothing was written", error);
        return EXIT_FAILED;
    }
    /* The snapshot has read both afresh; once more right before the write, which it took time
       to come to. */
    for (which = 0; which < 2 && snapshot == SNAPSHOT_WRITTEN; which++) {
        if (shown[which] == NULL)
            continue;
        ReadStoredValue(s_paths[which], args->name, &now);
        if (!SameReadResult(shown[which], &now))
            snapshot = SNAPSHOT_CHANGED;
        ReleaseStoredValue(&now);
    }
    if (snapshot == SNAPSHOT_CHANGED) {
        ErrChanged(args->name);
        return EXIT_CHANGED;
    }
    for (which = 0; which < 2; which++) {
        if (shown[which] == NULL)
            continue;
        /* An empty section deletes the value, as the editor's update does. */
        status = edits[which].value[0] != '\0'
               ? StoreEnvValue(s_paths[which], args->name, edits[which].value)
               : RemoveEnvValue(s_paths[which], args->name);
        if (status != ERROR_SUCCESS) {
            ErrSystem(s_sectionNames[which], (DWORD)status);
            code = EXIT_FAILED;
        } else {
            written[which] = TRUE;
        }
    }
    if (written[MACHINE] || written[USER])
        RecordInHistory(args->name, sections, edits, written);
    if (code == EXIT_DONE && args->notify && !BroadcastEnvironmentChange()) {
        ErrSystem("notify", GetLastError());
        code = EXIT_FAILED;
    }
    return code;
}

int ChangeCommand(const ConsoleArgs *args)
{
    static const int bits[2] = {IN_MACHINE, IN_USER};
    Section sections[2];
    RowEdit edits[2] = {{NULL, 0, -1}, {NULL, 0, -1}};
    int code = ReadBoth(args->name, sections), which, changed = 0;

    for (which = 0; which < 2 && code == EXIT_DONE; which++) {
        if (args->sections & bits[which])
            code = EditSection(args, which, &sections[which], &edits[which]);
        changed += edits[which].changed;
    }
    if (code == EXIT_DONE && changed == 0) {
        OutLine(args->command == CMD_ADD ? "Nothing to do: every element is there already."
                                         : "Nothing to do: no row names these elements.");
    } else if (code == EXIT_DONE) {
        if (!args->dryRun)
            code = WriteChanges(args, sections, edits);
        if (code == EXIT_DONE)
            TellChange(args, sections, edits);
    }
    for (which = 0; which < 2; which++) {
        free(edits[which].value);
        ReleaseSection(&sections[which]);
    }
    return code;
}
