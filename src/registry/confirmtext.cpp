#include "registry/confirmtext.h"
#include "common/texts.h"

#include <stdio.h>
#include <stdlib.h>

#define UPDATE_FORMAT \
    "You are about update environment variable \"%s\":\r\n\r\n" \
    MACHINE_HEADER_TEXT "\r\n%s\r\n" USER_HEADER_TEXT "\r\n%s\r\n\r\nDo you want to proceed?"

#define PENDING_FORMAT \
    "The environment variable \"%s\" has been changed:\r\n\r\n" \
    MACHINE_HEADER_TEXT "\r\n%s\r\n" USER_HEADER_TEXT "\r\n%s\r\n\r\nDo you want to update?"

/* Measures the text first and then writes it into a buffer of exactly that size, so that values
   of any length appear whole. */
static char *ComposeText(const char *format, const char *name, const char *machineValue,
                         const char *userValue)
{
    int length;
    char *text;

    if (!name || !machineValue || !userValue)
        return NULL;
    length = snprintf(NULL, 0, format, name, machineValue, userValue);
    if (length < 0)
        return NULL;
    text = (char *)malloc((size_t)length + 1);
    if (!text)
        return NULL;
    snprintf(text, (size_t)length + 1, format, name, machineValue, userValue);
    return text;
}

char *ComposeUpdateText(const char *name, const char *machineValue, const char *userValue)
{
    return ComposeText(UPDATE_FORMAT, name, machineValue, userValue);
}

char *ComposePendingText(const char *name, const char *machineValue, const char *userValue)
{
    return ComposeText(PENDING_FORMAT, name, machineValue, userValue);
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
    int length;
    char *text;

    if (!name)
        return NULL;
    length = snprintf(NULL, 0, LEFT_AS_STORED_FORMAT, which, name, verb, them);
    if (length < 0)
        return NULL;
    text = (char *)malloc((size_t)length + 1);
    if (text)
        snprintf(text, (size_t)length + 1, LEFT_AS_STORED_FORMAT, which, name, verb, them);
    return text;
}
