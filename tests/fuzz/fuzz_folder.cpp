/* The remembered folder and the proposed file name. CutToFolder cuts a path in place at its last
   backslash (nothing is left when there is none after the first byte) and touches no other byte;
   ProposeFileName puts "folder\NAME.EXT", or "NAME.EXT" alone, or nothing into a buffer of a given
   size and never writes past it, even when the folder fills the buffer without a zero.
   Input: two bytes giving the buffer size, then the path, the name and the extension, each ended
   by a zero byte. */
#include "fuzz_support.h"
#include "output/fileformat.h"

#include <stdint.h>

static void CheckCut(const std::string &path)
{
    char *bytes = (char *)malloc(path.size() + 1);
    FUZZ_CHECK(bytes != NULL);
    memcpy(bytes, path.c_str(), path.size() + 1);
    size_t last = path.rfind('\\');
    size_t expected = last == std::string::npos ? 0 : last;

    FUZZ_CHECK(CutToFolder(bytes) == bytes);
    FUZZ_CHECK(strlen(bytes) == expected);
    FUZZ_CHECK(memcmp(bytes, path.c_str(), expected) == 0);
    /* Only the cut byte changed. */
    FUZZ_CHECK(memcmp(bytes + expected + 1, path.c_str() + expected + 1, path.size() - expected) == 0 ||
               expected == path.size());
    free(bytes);
}

static void CheckProposal(const std::string &folder, size_t size, const std::string &name,
                          const std::string &extension)
{
    /* An exact-size buffer: the folder and its zero when they fit, else the folder's first bytes
       filling it with no zero at all. */
    char *buffer = (char *)malloc(size);
    FUZZ_CHECK(buffer != NULL);
    bool terminated = folder.size() < size;
    if (terminated)
        memcpy(buffer, folder.c_str(), folder.size() + 1);
    else
        memcpy(buffer, folder.data(), size);

    ProposeFileName(buffer, size, name.c_str(), extension.c_str());

    std::string file = name + "." + extension;
    std::string expected;
    if (terminated && folder.size() + 1 + file.size() < size)
        expected = folder + "\\" + file;
    else if (file.size() < size)
        expected = file;
    FUZZ_CHECK(memchr(buffer, 0, size) != NULL);
    FUZZ_CHECK(std::string(buffer) == expected);
    free(buffer);
}

static std::string NextText(const uint8_t **data, size_t *size)
{
    std::string text = TextOf(*data, *size);
    size_t used = text.size() < *size ? text.size() + 1 : text.size();
    *data += used;
    *size -= used;
    return text;
}

extern "C" int LLVMFuzzerTestOneInput(const uint8_t *data, size_t size)
{
    if (size < 2)
        return 0;
    size_t bufferSize = 1 + (((size_t)data[0] << 8 | data[1]) % 4096);
    data += 2;
    size -= 2;
    std::string path = NextText(&data, &size);
    std::string name = NextText(&data, &size);
    std::string extension = NextText(&data, &size);

    CheckCut(path);

    /* What the export and the backup do with the remembered folder. */
    std::string folder = path;
    char *cut = (char *)malloc(folder.size() + 1);
    FUZZ_CHECK(cut != NULL);
    memcpy(cut, folder.c_str(), folder.size() + 1);
    folder = CutToFolder(cut);
    free(cut);
    CheckProposal(path, bufferSize, name, extension);
    CheckProposal(folder, bufferSize, name, extension);
    return 0;
}
