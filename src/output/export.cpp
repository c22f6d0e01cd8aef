/* placeholder until the module lands */
#include "output/export.h"
void ExportList(void) {}
