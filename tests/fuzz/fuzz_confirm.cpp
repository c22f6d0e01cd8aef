/* The two update questions hold the name and both values whole, whatever their lengths and bytes
   ('%' included: the values are arguments, never part of the format).
   Input: the name, a zero byte, the machine value, a zero byte, the user value. */
#include "fuzz_support.h"
#include "common/texts.h"
#include "registry/confirmtext.h"

#include <stdint.h>

extern "C" int LLVMFuzzerTestOneInput(const uint8_t *data, size_t size)
{
    std::string parts[3];
    for (std::string &part : parts) {
        part = TextOf(data, size);
        size_t used = part.size() < size ? part.size() + 1 : part.size();
        data += used;
        size -= used;
    }
    const std::string middle = "\r\n\r\n" MACHINE_HEADER_TEXT "\r\n" + parts[1] +
                               "\r\n" USER_HEADER_TEXT "\r\n" + parts[2] + "\r\n\r\n";
    char *update = ComposeUpdateText(parts[0].c_str(), parts[1].c_str(), parts[2].c_str());
    char *pending = ComposePendingText(parts[0].c_str(), parts[1].c_str(), parts[2].c_str());
    FUZZ_CHECK(update != NULL && pending != NULL);
    FUZZ_CHECK(std::string(update) == "You are about update environment variable \"" + parts[0] + "\":" +
                                          middle + "Do you want to proceed?");
    FUZZ_CHECK(std::string(pending) == "The environment variable \"" + parts[0] + "\" has been changed:" +
                                           middle + "Do you want to update?");
    free(update);
    free(pending);
    return 0;
}
