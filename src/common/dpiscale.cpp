#include "common/dpiscale.h"

static int KnownDpi(int dpi)
{
    return dpi > 0 ? dpi : BASE_DPI;
}

int ScaleToDpi(int size, int fromDpi, int toDpi)
{
    long long scaled = (long long)size * KnownDpi(toDpi), from = KnownDpi(fromDpi);

    return (int)(scaled >= 0 ? (scaled + from / 2) / from : -((-scaled + from / 2) / from));
}

int ChooseDpi(int windowDpi, int systemDpi)
{
    return windowDpi > 0 ? windowDpi : KnownDpi(systemDpi);
}
