#include "registry/confirmtext.h"
#include "common/texts.h"

#include <stdio.h>
#include <stdlib.h>
#include <string.h>

/* The last %s of each question holds the paragraphs about other programs' changes: empty when
   there are none, so that the question is then exactly the usual one. */
#define UPDATE_FORMAT \
    "You are about update environment variable \"%s\":\r\n\r\n" \
    MACHINE_HEADER_TEXT "\r\n%s\r\n" USER_HEADER_TEXT "\r\n%s%s\r\n\r\nDo you want to proceed?"

#define PENDING_FORMAT \
    "The environment variable \"%s\" has been changed:\r\n\r\n" \
    MACHINE_HEADER_TEXT "\r\n%s\r\n" USER_HEADER_TEXT "\r\n%s%s\r\n\r\nDo you want to update?"

/* Each paragraph starts with an empty line; %s is the section's name as its header shows it. */
#define CHANGED_FORMAT \
    "\r\n\r\nAnother program has changed the %s value since " APP_TITLE " last read or wrote " \
    "it. Yes replaces what it holds now:\r\n%s"
#define DELETED_FORMAT \
    "\r\n\r\nAnother program has deleted the %s value since " APP_TITLE " last read or wrote it."
#define UNREADABLE_FORMAT \
    "\r\n\r\nThe %s value is unreadable now, so it cannot be shown whether another program has " \
    "changed it."

/* Measures the text first and then writes it into a buffer of exactly that size, so that values
   of any length appear whole. */
static char *Format(const char *format, const char *a, const char *b, const char *c, const char *d)
{
    int length = snprintf(NULL, 0, format, a, b, c, d);
    char *text;

    if (length < 0)
        return NULL;
    text = (char *)malloc((size_t)length + 1);
    if (!text)
        return NULL;
    snprintf(text, (size_t)length + 1, format, a, b, c, d);
    return text;
}

/* The paragraph about one section, "" when it is as it was; NULL when memory runs out. */
static char *OutsideParagraph(const char *section, const struct OutsideState *outside)
{
    int state = outside ? outside->state : OUTSIDE_SAME;

    if (state == OUTSIDE_CHANGED)
        return Format(CHANGED_FORMAT, section, outside->now ? outside->now : "", "", "");
    if (state == OUTSIDE_DELETED)
        return Format(DELETED_FORMAT, section, "", "", "");
    if (state == OUTSIDE_UNREADABLE)
        return Format(UNREADABLE_FORMAT, section, "", "", "");
    return Format("%s", "", "", "", "");
}

char *ComposeQuestionText(int pending, const char *name, const char *machineValue, const char *userValue,
                          const struct OutsideState *machine, const struct OutsideState *user)
{
    char *machineNote, *userNote, *notes = NULL, *text = NULL;

    if (!name || !machineValue || !userValue)
        return NULL;
    machineNote = OutsideParagraph("Local Machine", machine);
    userNote = OutsideParagraph("Current User", user);
    if (machineNote && userNote)
        notes = Format("%s%s", machineNote, userNote, "", "");
    if (notes)
        text = Format(pending ? PENDING_FORMAT : UPDATE_FORMAT, name, machineValue, userValue, notes);
    free(machineNote);
    free(userNote);
    free(notes);
    return text;
}

char *ComposeUpdateText(const char *name, const char *machineValue, const char *userValue)
{
    return ComposeQuestionText(0, name, machineValue, userValue, NULL, NULL);
}

char *ComposePendingText(const char *name, const char *machineValue, const char *userValue)
{
    return ComposeQuestionText(1, name, machineValue, userValue, NULL, NULL);
}

size_t NextRow(const char *text, const struct RowMetrics *metrics, int width, const char **next)
{
    size_t at = 0, fitted = 0;
    long long used = 0;

    while (text[at] && !(text[at] == '\r' && text[at + 1] == '\n')) {
        unsigned char first = (unsigned char)text[at];
        size_t end = at + 1;

        used += metrics->width[first];
        if (width > 0 && used > width && at > 0) {   /* the first character goes in any case */
            at = fitted > 0 ? fitted : at;
            *next = text + at;
            return at;
        }
        /* The rest of a character of several bytes: never a zero or a line break. */
        while (end < at + metrics->bytes[first] && text[end] && text[end] != '\r' && text[end] != '\n')
            end++;
        at = end;
        if (first == ';' || first == ' ')
            fitted = at;
    }
    *next = text + at + (text[at] ? 2 : 0);
    return at;
}

#define LEFT_AS_STORED_FORMAT \
    "The %s of \"%s\" %s characters that this system's code page cannot hold: the list shows " \
    "look-alikes or question marks in their place.\r\n\r\n" \
    "So that nothing is written back with substitutes, Update leaves %s exactly as it is in the " \
    "registry."

char *ComposeLeftAsStoredText(const char *name, int machineLeft, int userLeft)
{
    int both = machineLeft && userLeft;
    const char *which = both ? "Local Machine and Current User values"
                             : machineLeft ? "Local Machine value" : "Current User value";
    const char *verb = both ? "hold" : "holds";
    const char *them = both ? "each of them" : "it";

    return name ? Format(LEFT_AS_STORED_FORMAT, which, name, verb, them) : NULL;
}
