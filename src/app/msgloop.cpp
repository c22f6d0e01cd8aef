/* placeholder until the module lands */
#include "app/msgloop.h"
void ProcessLoopMessage(MSG *msg, HACCEL) { TranslateMessage(msg); DispatchMessageA(msg); }
