/* The .reg value escaper: a backslash goes before every backslash and every double quote, a CR
   before every LF, nothing else changes, so the value can be read back exactly and never closes
   its quotes early. The text output's 16 KB buffer is crossed at every offset, and a sink that
   fails part-way must be reported and never called again.
   Input: two bytes giving the length of a filler written first, one byte choosing the sink call
   that fails (0: none), then the value up to a zero byte. */
#include "fuzz_support.h"
#include "output/fileformat.h"

#include <stdint.h>

struct Sink {
    std::string bytes;
    int calls;
    int failAt;        /* the call that fails; 0: none */
    bool calledAfterFailure;
    bool failed;
};

static int TakeBytes(void *context, const char *bytes, size_t count)
{
    Sink *sink = (Sink *)context;
    if (sink->failed)
        sink->calledAfterFailure = true;
    FUZZ_CHECK(count > 0 && count <= TEXT_FILE_BUFFER_SIZE);
    if (++sink->calls == sink->failAt) {
        sink->failed = true;
        return 0;
    }
    sink->bytes.append(bytes, count);
    return 1;
}

/* Reads an escaped value back; false when the bytes are not a well-formed escaped value. */
static bool Unescape(const std::string &escaped, std::string *value)
{
    value->clear();
    for (size_t i = 0; i < escaped.size(); i++) {
        char byte = escaped[i];
        if (byte == '"')
            return false;   /* an unescaped quote would end the value early */
        if (byte == '\\') {
            if (i + 1 == escaped.size() || (escaped[i + 1] != '\\' && escaped[i + 1] != '"'))
                return false;
            *value += escaped[++i];
        } else if (byte == '\r' && i + 1 < escaped.size() && escaped[i + 1] == '\n') {
            *value += '\n';
            i++;
        } else {
            *value += byte;
        }
    }
    return true;
}

extern "C" int LLVMFuzzerTestOneInput(const uint8_t *data, size_t size)
{
    if (size < 3)
        return 0;
    size_t filler = ((size_t)data[0] << 8 | data[1]) % TEXT_FILE_BUFFER_SIZE;
    int failAt = data[2] % 4;
    std::string value = TextOf(data + 3, size - 3);

    static TextFile file;   /* 16 KB: kept off the stack */
    Sink sink = {std::string(), 0, failAt, false, false};
    StartTextFile(&file, TakeBytes, &sink);
    std::string pad(filler, 'x');
    WriteText(&file, pad.c_str());
    WriteEscapedValue(&file, value.c_str());
    int complete = FinishTextFile(&file);

    FUZZ_CHECK(!sink.calledAfterFailure);
    FUZZ_CHECK(complete == !sink.failed);
    if (sink.failed)
        return 0;

    FUZZ_CHECK(sink.bytes.compare(0, filler, pad) == 0);
    std::string escaped = sink.bytes.substr(filler);
    size_t extra = 0;
    for (char byte : value)
        extra += byte == '\\' || byte == '"' || byte == '\n';
    FUZZ_CHECK(escaped.size() == value.size() + extra);
    std::string back;
    FUZZ_CHECK(Unescape(escaped, &back));
    FUZZ_CHECK(back == value);

    /* The whole backup file holds the value in its entry line, escaped the same way. */
    size_t length = 0;
    char *backup = ComposeBackupFile("PATH", value.c_str(), "", &length);
    FUZZ_CHECK(backup != NULL);
    std::string expected = "REGEDIT4\r\n";
    if (!value.empty())
        expected += "\r\n[HKEY_CURRENT_USER\\Environment]\r\n\"PATH\"=\"" + escaped + "\"\r\n";
    FUZZ_CHECK(std::string(backup, length) == expected);
    free(backup);
    return 0;
}
