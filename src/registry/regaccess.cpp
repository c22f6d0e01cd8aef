/* placeholder until the module lands */
#include "registry/regaccess.h"
int SplitRegistryPath(const char *, HKEY *, const char **) { return 0; }
char *ReadEnvValue(const char *, const char *) { return NULL; }
int WriteEnvValue(const char *, const char *, const char *) { return 0; }
int DeleteEnvValue(const char *, const char *) { return 0; }
