/* The two update questions hold the name and both values whole, whatever their lengths and bytes
   ('%' included: the values are arguments, never part of the format), and the rows that the
   question's list shows give the text back whole.
   Input: the name, a zero byte, the machine value, a zero byte, the user value. */
#include "fuzz_support.h"
#include "common/texts.h"
#include "registry/confirmtext.h"

#include <stdint.h>

/* The update text cut into rows as the list shows them (UTF-8, characters 1 or 2 wide), joined
   again with the line breaks where their lines end. */
static std::string Rejoined(const char *text, int width)
{
    RowMetrics metrics;
    std::string joined;
    for (int b = 0; b < 256; b++) {
        metrics.width[b] = b < 0x80 ? 1 : 2;
        metrics.bytes[b] = b >= 0xF0 ? 4 : b >= 0xE0 ? 3 : b >= 0xC0 ? 2 : 1;
    }
    for (const char *row = text;;) {
        const char *next;
        size_t length = NextRow(row, &metrics, width, &next);
        FUZZ_CHECK(next > row || !*row);   /* always a step on */
        joined.append(row, length);
        if (next == row + length && !*next)
            return joined;
        joined += next == row + length ? "" : "\r\n";
        row = next;
    }
}

extern "C" int LLVMFuzzerTestOneInput(const uint8_t *data, size_t size)
{
    const int width = (int)(size % 40);
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
    FUZZ_CHECK(Rejoined(update, width) == update);
    free(update);
    free(pending);
    return 0;
}
