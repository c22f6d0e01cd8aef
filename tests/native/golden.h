/* The golden files of tests/golden: whole files that the program's output must match byte for
   byte. */
#ifndef VELKOR_GOLDEN_H
#define VELKOR_GOLDEN_H

#include <gtest/gtest.h>

#include <stdio.h>

#include <string>

inline std::string ReadGolden(const std::string &name)
{
    std::string path = std::string(VELKOR_GOLDEN_DIR) + "/" + name, bytes;
    FILE *file = fopen(path.c_str(), "rb");
    if (!file) {
        ADD_FAILURE() << "cannot open " << path;
        return bytes;
    }
    char buffer[4096];
    size_t got;
    while ((got = fread(buffer, 1, sizeof buffer, file)) > 0)
        bytes.append(buffer, got);
    fclose(file);
    return bytes;
}

#endif
