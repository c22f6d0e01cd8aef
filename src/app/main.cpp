/* placeholder until the module lands */
#include "common/common.h"
int WINAPI WinMain(HINSTANCE, HINSTANCE, LPSTR, int) { return 0; }
