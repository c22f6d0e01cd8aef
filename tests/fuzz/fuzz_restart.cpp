/* The restart file as the new instance reads it: any bytes are refused or taken, never read
   beyond; what is taken formats back to exactly the bytes it came from. */
#include "fuzz_support.h"
#include "output/restartformat.h"

#include <stdint.h>

extern "C" int LLVMFuzzerTestOneInput(const uint8_t *data, size_t size)
{
    RestartList list;
    size_t formattedSize = 0;
    char *formatted;

    if (!ParseRestartList((const char *)data, size, &list))
        return 0;
    formatted = FormatRestartList(&list, &formattedSize);
    FUZZ_CHECK(formatted != NULL);
    FUZZ_CHECK(formattedSize == size && memcmp(formatted, data, size) == 0);
    free(formatted);
    ReleaseRestartList(&list);
    return 0;
}
