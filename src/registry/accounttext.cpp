#include "registry/accounttext.h"
#include "common/texts.h"

#include <stdio.h>
#include <stdlib.h>
#include <string.h>

#define OTHER_ACCOUNT_FORMAT \
    APP_TITLE " runs as \"%s\", while \"%s\" is signed in.\r\n\r\n" \
    "The Current User section shows the values of \"%s\", and Update writes them: those of " \
    "\"%s\" are neither shown nor changed. To edit them, start " APP_TITLE " as \"%s\"."

int RunsAsOtherAccount(const AccountPair *accounts)
{
    if (accounts == NULL || accounts->processSid == NULL || accounts->shellSid == NULL ||
        accounts->processSid[0] == '\0' || accounts->shellSid[0] == '\0')
        return 0;
    /* The text form of a SID is unique to it. */
    return strcmp(accounts->processSid, accounts->shellSid) != 0;
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
    signedIn = AccountLabel(accounts->shellName, accounts->shellSid);
    length = snprintf(NULL, 0, OTHER_ACCOUNT_FORMAT, runsAs, signedIn, runsAs, signedIn, signedIn);
    if (length < 0)
        return NULL;
    text = (char *)malloc((size_t)length + 1);
    if (text != NULL)
        snprintf(text, (size_t)length + 1, OTHER_ACCOUNT_FORMAT, runsAs, signedIn, runsAs, signedIn, signedIn);
    return text;
}
