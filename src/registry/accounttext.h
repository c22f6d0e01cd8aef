/* Whether the program runs as another account than the one signed in, and what it tells the user
   then. Started elevated with an administrator's credentials while another user is signed in,
   the program's HKEY_CURRENT_USER is the administrator's: the Current User section shows and
   writes the administrator's values, not the signed-in user's. No Win32 here: tested natively. */
#ifndef VELKOR_ACCOUNTTEXT_H
#define VELKOR_ACCOUNTTEXT_H

/* The account of the program's process and the one signed in to the program's session, each by
   its SID in text form ("S-1-5-21-...") and its name ("DOMAIN\user"); NULL where it is not known.
   The system names the session's user but gives no SID for it. */
typedef struct AccountPair {
    const char *processSid, *processName;
    const char *sessionSid, *sessionName;
} AccountPair;

/* Non-zero only when the two accounts are known and differ: by their SIDs where both are known,
   else by their names, case ignored as the system ignores it (a name given without its domain
   against the other's user part). Whatever is not known counts as the
   same account. accounts may be NULL. */
int RunsAsOtherAccount(const AccountPair *accounts);

/* How an account is named to the user: its name, or its SID where the name is not known. */
const char *AccountLabel(const char *name, const char *sid);

/* What the user is told once, when the program first reads the values: a new text (free it), or
   NULL when the accounts are the same or memory runs out. */
char *ComposeOtherAccountText(const AccountPair *accounts);

#endif
