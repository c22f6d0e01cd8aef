/* Who the program runs as, against who is signed in on the desktop: the user of the process's
   token and the user of the shell's. */
#ifndef VELKOR_ACCOUNT_H
#define VELKOR_ACCOUNT_H

#include <windows.h>
#include "registry/accounttext.h"

/* The two accounts, found at the first call and kept for the run. The names are looked up only
   when the accounts differ. Whatever cannot be found (no shell window, a call refused) is NULL,
   which counts as the same account. */
const AccountPair *ProgramAccounts(void);

/* Tells the user, at the first call only, when the program runs as another account than the
   signed-in one. */
void TellOtherAccountOnce(void);

#endif
