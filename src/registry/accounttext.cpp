#include "registry/accounttext.h"
#include "common/texts.h"

#include <stdio.h>
#include <stdlib.h>
#include <string.h>
#include <strings.h>

#define OTHER_ACCOUNT_FORMAT \
    APP_TITLE " runs as \"%s\", while \"%s\" is signed in.\r\n\r\n" \
    "The Current User section shows the values of \"%s\", and Update writes them: those of " \
    "\"%s\" are neither shown nor changed. To edit them, start " APP_TITLE " as \"%s\"."

static int Known(const char *text)
{
    return text != NULL && text[0] != '\0';
}

/* Names compared without the case of their ASCII letters (the C locale's, which the program
   never changes); a name without its domain ("user") with the user part of the other. */
static int SameAccountName(const char *a, const char *b)
{
    const char *aUser = strrchr(a, '\\'), *bUser = strrchr(b, '\\');

    if (aUser != NULL && bUser == NULL)
        return strcasecmp(aUser + 1, b) == 0;
    if (aUser == NULL && bUser != NULL)
        return strcasecmp(a, bUser + 1) == 0;
    return strcasecmp(a, b) == 0;
}

int RunsAsOtherAccount(const AccountPair *accounts)
{
    if (accounts == NULL)
        return 0;
    /* The text form of a SID is unique to it. */
    if (Known(accounts->processSid) && Known(accounts->sessionSid))
        return strcmp(accounts->processSid, accounts->sessionSid) != 0;
    if (Known(accounts->processName) && Known(accounts->sessionName))
        return !SameAccountName(accounts->processName, accounts->sessionName);
    return 0;
}

const char *AccountLabel(const char *name, const char *sid)
{
    return name != NULL && name[0] != '\0' ? name : sid;
}

char *ComposeOtherAccountText(const AccountPair *accounts)
{
    const char *runsAs, *signedIn;
    int length;
    char *text;

    if (!RunsAsOtherAccount(accounts))
        return NULL;
    runsAs = AccountLabel(accounts->processName, accounts->processSid);
    signedIn = AccountLabel(accounts->sessionName, accounts->sessionSid);
    length = snprintf(NULL, 0, OTHER_ACCOUNT_FORMAT, runsAs, signedIn, runsAs, signedIn, signedIn);
    if (length < 0)
        return NULL;
    text = (char *)malloc((size_t)length + 1);
    if (text != NULL)
        snprintf(text, (size_t)length + 1, OTHER_ACCOUNT_FORMAT, runsAs, signedIn, runsAs, signedIn, signedIn);
    return text;
}
