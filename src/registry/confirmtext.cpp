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
#define OTHER_ACCOUNT_FORMAT \
    "\r\n\r\nThe Current User value is the one of \"%s\", the account that " APP_TITLE " runs as, " \
    "not the one of \"%s\", who is signed in."

#define REFUSED_TEXT \
    "\r\n\r\nThe Local Machine value cannot be written without administrator rights: Yes writes " \
    "the Current User value only, and the changes to the Local Machine value stay pending. To " \
    "write it, choose File > Restart as administrator, which keeps the changes, and update again."

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

/* The paragraph about the account whose user section this is, "" when it is the signed-in one. */
static char *AccountParagraph(const AccountPair *accounts)
{
    if (!RunsAsOtherAccount(accounts))
        return Format("%s", "", "", "", "");
    return Format(OTHER_ACCOUNT_FORMAT, AccountLabel(accounts->processName, accounts->processSid),
                  AccountLabel(accounts->sessionName, accounts->sessionSid), "", "");
}

char *ComposeQuestionText(int pending, const char *name, const char *machineValue, const char *userValue,
                          const struct OutsideState *machine, const struct OutsideState *user,
                          const AccountPair *accounts)
{
    return ComposeSummarizedQuestion(pending, name, machineValue, userValue, "", machine, user, accounts);
}

char *ComposeSummarizedQuestion(int pending, const char *name, const char *machineValue,
                                const char *userValue, const char *summary,
                                const struct OutsideState *machine, const struct OutsideState *user,
                                const AccountPair *accounts)
{
    char *machineNote, *userNote, *accountNote, *paragraphs = NULL, *notes = NULL, *text = NULL;

    if (!name || !machineValue || !userValue || !summary)
        return NULL;
    machineNote = OutsideParagraph(MACHINE_SECTION_NAME, machine);
    userNote = OutsideParagraph(USER_SECTION_NAME, user);
    accountNote = AccountParagraph(accounts);
    if (machineNote && userNote && accountNote)
        paragraphs = Format("%s%s%s%s", machineNote, userNote, accountNote,
                            machine && machine->refused ? REFUSED_TEXT : "");
    /* What the update changes comes first, then what others have done and what cannot be done. */
    if (paragraphs)
        notes = Format("%s%s", summary, paragraphs, "", "");
    if (notes)
        text = Format(pending ? PENDING_FORMAT : UPDATE_FORMAT, name, machineValue, userValue, notes);
    free(machineNote);
    free(userNote);
    free(accountNote);
    free(paragraphs);
    free(notes);
    return text;
}

char *ComposeUpdateText(const char *name, const char *machineValue, const char *userValue)
{
    return ComposeQuestionText(0, name, machineValue, userValue, NULL, NULL, NULL);
}

char *ComposePendingText(const char *name, const char *machineValue, const char *userValue)
{
    return ComposeQuestionText(1, name, machineValue, userValue, NULL, NULL, NULL);
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

/* The registry's name for a value type, or its number. */
const char *RegistryTypeName(unsigned long type, char *buffer, size_t size)
{
    static const char *const names[] = {
        "REG_NONE", "REG_SZ", "REG_EXPAND_SZ", "REG_BINARY", "REG_DWORD", "REG_DWORD_BIG_ENDIAN",
        "REG_LINK", "REG_MULTI_SZ", "REG_RESOURCE_LIST", "REG_FULL_RESOURCE_DESCRIPTOR",
        "REG_RESOURCE_REQUIREMENTS_LIST", "REG_QWORD",
    };

    if (type < sizeof names / sizeof names[0])
        return names[type];
    snprintf(buffer, size, "%lu", type);
    return buffer;
}

/* One paragraph of the retrieve's message: which value, and what the list shows of it. */
static char *LeftAsStoredParagraph(const char *section, const char *name, const struct LeftAsStored *left)
{
    char number[24];

    if (left->reason == LEFT_CODE_PAGE)
        return Format("The %s value of \"%s\" holds characters that this system's code page cannot hold: "
                      "the list shows look-alikes or question marks in their place.\r\n\r\n",
                      section, name, "", "");
    if (left->reason == LEFT_TYPE)
        return Format("The %s value of \"%s\" is of type %s, not REG_SZ or REG_EXPAND_SZ: the list "
                      "shows it only up to its first zero.\r\n\r\n",
                      section, name, RegistryTypeName(left->type, number, sizeof number), "");
    if (left->reason == LEFT_ZERO)
        return Format("The %s value of \"%s\" holds a zero character before its end: the list shows it "
                      "only up to that zero.\r\n\r\n",
                      section, name, "", "");
    return Format("%s", "", "", "", "");
}

char *ComposeLeftAsStoredText(const char *name, const struct LeftAsStored *machine,
                              const struct LeftAsStored *user)
{
    int both = machine->reason != LEFT_NONE && user->reason != LEFT_NONE;
    char *machineText, *userText, *text = NULL;

    if (!name)
        return NULL;
    machineText = LeftAsStoredParagraph(MACHINE_SECTION_NAME, name, machine);
    userText = LeftAsStoredParagraph(USER_SECTION_NAME, name, user);
    if (machineText && userText)
        text = Format("%s%sSo that nothing is lost, Update leaves %s exactly as it is in the registry, "
                      "and %s rows cannot be changed.",
                      machineText, userText, both ? "each of them" : "it", both ? "their" : "its");
    free(machineText);
    free(userText);
    return text;
}

char *ComposeLeftAsStoredNote(const struct LeftAsStored *left)
{
    char number[24];

    if (left->reason == LEFT_TYPE)
        return Format("(left as it is in the registry: a value of type %s)",
                      RegistryTypeName(left->type, number, sizeof number), "", "", "");
    if (left->reason == LEFT_ZERO)
        return Format("(left as it is in the registry: it holds a zero character before its end)",
                      "", "", "", "");
    return Format("(left as it is in the registry: this system's code page cannot hold all of its "
                  "characters)", "", "", "", "");
}

const char *VarNameRefusal(const char *name, int exact)
{
    if (strchr(name, '=') != NULL)
        return "A variable's name cannot hold \"=\": in the environment \"=\" ends the name, and a "
               "machine variable with \"=\" in its name can keep Windows from starting.\r\n\r\n"
               "Please type the name without \"=\".";
    if (!exact)
        return "This system's code page cannot hold every character of this name: " APP_TITLE
               " would read and write a variable of another name.\r\n\r\n"
               "Please type the name in characters that this system's code page holds.";
    return NULL;
}
