/* Who the program runs as, against who is signed in: the user of the process's token and the
   user of the program's session. */
#ifndef VELKOR_ACCOUNT_H
#define VELKOR_ACCOUNT_H

#include <windows.h>
#include "registry/accounttext.h"

/* The two accounts, found at the first call and kept for the run. Whatever cannot be found (a
   session without a user, a call refused) is NULL, which counts as the same account. */
const AccountPair *ProgramAccounts(void);

/* Tells the user, at the first call only, when the program runs as another account than the
   signed-in one. */
void TellOtherAccountOnce(void);

#endif
