/* The only place where the program touches the registry. Each operation reports its own failures. */
#ifndef VELKOR_REGACCESS_H
#define VELKOR_REGACCESS_H

#include <windows.h>

/* Splits "ROOT\subkey"; subkey points into path. 0 after "Incorrect registry key!" was shown. */
int SplitRegistryPath(const char *path, HKEY *root, const char **subkey);
char *ReadEnvValue(const char *path, const char *name);            /* new text, or NULL */
int WriteEnvValue(const char *path, const char *name, const char *text);
int DeleteEnvValue(const char *path, const char *name);

#endif
