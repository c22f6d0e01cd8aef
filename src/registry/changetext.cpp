#include "registry/changetext.h"
#include "registry/confirmtext.h"
#include "common/texts.h"
#include "common/textbuild.h"

#include <stdio.h>
#include <stdlib.h>
#include <string.h>

static const char *const s_sections[2] = {MACHINE_SECTION_NAME, USER_SECTION_NAME};

/* Appends a text that the caller gave away (NULL: memory ran out). */
static void AddOwned(GrowingText *out, char *piece)
{
    AppendText(out, piece);
    free(piece);
}

/* The counts of one section: "1 added, 2 removed, 1 moved", or "unchanged". */
static void AddCounts(GrowingText *out, const RowDiff *diff)
{
    const size_t counts[3] = {diff->added, diff->removed, diff->moved};
    static const char *const words[3] = {"added", "removed", "moved"};
    char piece[64];
    int kind, first = 1;

    for (kind = 0; kind < 3; kind++) {
        if (counts[kind] == 0)
            continue;
        snprintf(piece, sizeof piece, "%s%lu %s", first ? "" : ", ", (unsigned long)counts[kind],
                 words[kind]);
        AppendText(out, piece);
        first = 0;
    }
    if (first)
        AppendText(out, "unchanged");
}

static int TypeChanges(const SectionChange *change)
{
    return change->typeBefore != 0 && change->typeAfter != 0 && change->typeBefore != change->typeAfter;
}

/* intro, the name of type a, middle, the name of type b. */
static void AddTypes(GrowingText *out, const char *intro, unsigned long a, const char *middle,
                     unsigned long b)
{
    char first[24], second[24];

    AppendText(out, intro);
    AppendText(out, RegistryTypeName(a, first, sizeof first));
    AppendText(out, middle);
    AppendText(out, RegistryTypeName(b, second, sizeof second));
}

/* "type changed from REG_SZ to REG_EXPAND_SZ" */
static void AddTypeChange(GrowingText *out, const SectionChange *change)
{
    AddTypes(out, "type changed from ", change->typeBefore, " to ", change->typeAfter);
}

/* "Yes writes it as REG_EXPAND_SZ instead of REG_SZ: ..." */
static void AddWrittenType(GrowingText *out, const SectionChange *change)
{
    AddTypes(out, "\r\nYes writes it as ", change->typeAfter, " instead of ", change->typeBefore);
    AppendText(out, change->typeAfter == 2 ? ": each %NAME% in it will then be expanded." : ".");
}

/* A section's block: its name and counts, then its rows (limit of each kind, 0: all), without a
   final line break. */
static void AddSection(GrowingText *out, int section, const SectionChange *change, size_t limit,
                       int positions)
{
    char *lines;

    AppendText(out, s_sections[section]);
    AppendText(out, ": ");
    if (change->diff == NULL) {
        AppendText(out, "left as it is");
        return;
    }
    AddCounts(out, change->diff);
    lines = ComposeChangeLines(change->diff, limit, positions);
    if (lines && lines[0] != '\0') {
        lines[strlen(lines) - 2] = '\0';   /* the last "\r\n" */
        AppendText(out, "\r\n");
    }
    AddOwned(out, lines);
}

char *ComposeChangeSummary(const SectionChange change[2])
{
    GrowingText out = {NULL, 0, 0, 0};
    int section;

    AppendText(&out, "");
    for (section = 0; section < 2; section++) {
        AppendText(&out, section == 0 ? "\r\n\r\n" : "\r\n");
        AddSection(&out, section, &change[section], SUMMARY_ROWS, 0);
        if (change[section].diff && TypeChanges(&change[section]))
            AddWrittenType(&out, &change[section]);
    }
    return FinishText(&out);
}

static void AddDamage(GrowingText *out, const unsigned damage[2], const size_t units[2])
{
    char piece[512];
    int section;

    for (section = 0; section < 2; section++) {
        const char *name = s_sections[section];
        if (damage[section] & DAMAGE_CUT) {
            snprintf(piece, sizeof piece, "\r\n\r\nThe %s value is now exactly %s characters long, "
                     "the length at which common tools cut a value: its end may have been lost.",
                     name, units[section] == 1024 ? "1,024" : "2,047");
            AppendText(out, piece);
        }
        if (damage[section] & DAMAGE_TYPE) {
            snprintf(piece, sizeof piece, "\r\n\r\nThe %s value is now of type REG_SZ instead of "
                     "REG_EXPAND_SZ: its %%NAME%% references are no longer expanded.", name);
            AppendText(out, piece);
        }
        if (damage[section] & DAMAGE_EXPANDED) {
            snprintf(piece, sizeof piece, "\r\n\r\nRows of the %s value that held %%NAME%% "
                     "references now hold them expanded.", name);
            AppendText(out, piece);
        }
    }
    if (damage[0] & DAMAGE_SYSTEM32)
        AppendText(out, "\r\n\r\n%SystemRoot%\\system32 is gone from the Local Machine value: Windows "
                 "and most programs need it in PATH.");
    if (damage[1] & DAMAGE_MERGED)
        AppendText(out, "\r\n\r\nMost of the Local Machine rows are now also in the Current User value: "
                 "a merged PATH seems to have been copied into it.");
}

char *ComposeOutsideChangeText(const char *name, const char *when, int sinceNoticed,
                               const SectionChange change[2], const unsigned damage[2],
                               const size_t units[2])
{
    GrowingText out = {NULL, 0, 0, 0};
    int section;

    AppendText(&out, "Another program has changed the environment variable \"");
    AppendText(&out, name);
    AppendText(&out, sinceNoticed ? "\" since " APP_TITLE " last found it changed by another program, on "
                           : "\" since " APP_TITLE " last wrote it, on ");
    AppendText(&out, when);
    AppendText(&out, ":\r\n");
    for (section = 0; section < 2; section++) {
        AppendText(&out, "\r\n");
        AddSection(&out, section, &change[section], SUMMARY_ROWS, 0);
        if (TypeChanges(&change[section])) {
            AppendText(&out, "\r\n");
            AddTypeChange(&out, &change[section]);
        }
    }
    AddDamage(&out, damage, units);
    AppendText(&out, "\r\n\r\nFile > History shows this change and can undo it.");
    return FinishText(&out);
}

char *ComposeHistoryLine(const char *when, int byOther, const SectionChange change[2])
{
    static const char *const marks[3] = {" +", " -", " moved "};
    GrowingText out = {NULL, 0, 0, 0};
    char piece[64];
    int section, kind;

    AppendText(&out, when);
    AppendText(&out, byOther ? "   another program   " : "   " APP_TITLE "   ");
    for (section = 0; section < 2; section++) {
        const RowDiff *diff = change[section].diff;
        const size_t counts[3] = {diff ? diff->added : 0, diff ? diff->removed : 0, diff ? diff->moved : 0};
        AppendText(&out, section == 0 ? "machine" : ", user");
        if (diff == NULL || diff->count + (size_t)TypeChanges(&change[section]) == 0) {
            AppendText(&out, " unchanged");
            continue;
        }
        for (kind = 0; kind < 3; kind++) {
            if (counts[kind] == 0)
                continue;
            snprintf(piece, sizeof piece, "%s%lu", marks[kind], (unsigned long)counts[kind]);
            AppendText(&out, piece);
        }
        if (TypeChanges(&change[section]))
            AppendText(&out, " type");
    }
    return FinishText(&out);
}

char *ComposeHistoryChanges(const SectionChange change[2])
{
    GrowingText out = {NULL, 0, 0, 0};
    int section;

    AppendText(&out, "");
    for (section = 0; section < 2; section++) {
        AddSection(&out, section, &change[section], 0, 1);
        AppendText(&out, "\r\n");
        if (TypeChanges(&change[section])) {
            AddTypeChange(&out, &change[section]);
            AppendText(&out, "\r\n");
        }
    }
    return FinishText(&out);
}
