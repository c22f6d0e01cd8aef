/* The .reg value escaper: a backslash goes before every backslash and every double quote, a CR
   before every LF, nothing else changes, so the value can be read back exactly and never closes
   its quotes early. The text output's 16 KB buffer is crossed at every offset, and a sink that
   fails part-way must be reported and never called again.
   Then the same bytes as a stored value of any type: the backup and the snapshot of it, read back
   as the registry editor reads a registration file, give the very name, type and bytes.
   Input: two bytes giving the length of a filler written first, one byte choosing the sink call
   that fails (0: none) and the value's type, then the value: up to a zero byte for the escaper,
   all of it as the stored bytes. */
#include "fuzz_support.h"
#include "output/snapshotformat.h"

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

/* A registration file as its characters: UTF-16 units after a byte-order mark, else its bytes,
   which must then all be ASCII. */
static std::u16string CharactersOf(const std::string &file, bool *unicode)
{
    std::u16string units;
    *unicode = file.compare(0, 2, "\xFF\xFE") == 0;
    if (*unicode) {
        FUZZ_CHECK(file.size() % 2 == 0);
        for (size_t i = 2; i < file.size(); i += 2)
            units += (char16_t)((unsigned char)file[i] | (unsigned char)file[i + 1] << 8);
    } else {
        for (unsigned char byte : file) {
            FUZZ_CHECK(byte < 0x80);
            units += (char16_t)byte;
        }
    }
    return units;
}

static int HexDigit(char16_t unit)
{
    if (unit >= '0' && unit <= '9')
        return unit - '0';
    if (unit >= 'a' && unit <= 'f')
        return unit - 'a' + 10;
    return -1;
}

/* The first value line of a registration file read back as the registry editor reads it: the
   name, and the value's type and stored bytes (a REGEDIT4 file's string types widened from its
   one byte per character). Stops the run when the line is not well formed. */
static void ReadValueLine(const std::string &file, std::u16string *name, unsigned long *type,
                          std::string *bytes)
{
    bool unicode;
    std::u16string text = CharactersOf(file, &unicode);
    size_t at = text.find(u"\r\n\"");
    FUZZ_CHECK(at != std::u16string::npos);
    for (at += 3; text[at] != '"'; at++) {
        if (text[at] == '\\')
            at++;
        FUZZ_CHECK(at < text.size() && text[at] != '\r' && text[at] != '\n');
        *name += text[at];
    }
    FUZZ_CHECK(text.compare(at, 2, u"\"=") == 0);
    at += 2;
    std::u16string units;
    bytes->clear();
    if (text[at] == '"') {
        *type = 1;
        for (at++; text[at] != '"'; at++) {
            if (text[at] == '\\')
                at++;
            FUZZ_CHECK(at < text.size() && text[at] != '\r' && text[at] != '\n');
            units += text[at];
        }
        FUZZ_CHECK(text.compare(at, 3, u"\"\r\n") == 0);
        units += u'\0';
    } else {
        FUZZ_CHECK(text.compare(at, 4, u"hex(") == 0);
        *type = 0;
        for (at += 4; HexDigit(text[at]) >= 0; at++)
            *type = *type * 16 + (unsigned long)HexDigit(text[at]);
        FUZZ_CHECK(text.compare(at, 2, u"):") == 0);
        at += 2;
        while (text.compare(at, 2, u"\r\n") != 0) {
            if (text.compare(at, 5, u"\\\r\n  ") == 0)
                at += 5;
            int high = HexDigit(text[at]), low = HexDigit(text[at + 1]);
            FUZZ_CHECK(high >= 0 && low >= 0);
            *bytes += (char)(high * 16 + low);
            at += 2;
            if (text[at] == ',')
                at++;
        }
        bool narrow = !unicode && (*type == 1 || *type == 2 || *type == 7);
        if (!narrow)
            return;
        for (char byte : *bytes)
            units += (char16_t)(unsigned char)byte;
        bytes->clear();
    }
    for (char16_t unit : units) {
        *bytes += (char)(unit & 0xFF);
        *bytes += (char)(unit >> 8);
    }
}

/* The whole input after its first three bytes as a stored value of one of the types 0 to 11:
   its backup and its snapshot give it back exactly, under its name. */
static void CheckRoundTrip(const uint8_t *data, size_t size)
{
    static const char name[] = "A\"B\\C";
    std::string stored((const char *)data + 3, size - 3);
    SnapshotValue value = {SNAPSHOT_VALUE_PRESENT, (unsigned long)(data[2] >> 2) % 12,
                           (const unsigned char *)stored.data(), stored.size(), 0};
    SnapshotValue absent = {SNAPSHOT_VALUE_ABSENT, 0, NULL, 0, 0};
    for (int snapshot = 0; snapshot < 2; snapshot++) {
        size_t length = 0;
        char *bytes = snapshot ? ComposeSnapshotFile(name, &value, &absent, &length)
                               : ComposeBackupFile(name, &value, &absent, &length);
        FUZZ_CHECK(bytes != NULL);
        std::string file(bytes, length);
        free(bytes);
        std::u16string readName;
        unsigned long type = 0;
        std::string readBytes;
        ReadValueLine(file, &readName, &type, &readBytes);
        FUZZ_CHECK(readName == u"A\"B\\C");
        FUZZ_CHECK(type == value.type);
        FUZZ_CHECK(readBytes == stored);
        if (snapshot)
            FUZZ_CHECK(SnapshotNamesVariable((const unsigned char *)file.data(), file.size(), name));
    }
}

extern "C" int LLVMFuzzerTestOneInput(const uint8_t *data, size_t size)
{
    if (size < 3)
        return 0;
    size_t filler = ((size_t)data[0] << 8 | data[1]) % TEXT_FILE_BUFFER_SIZE;
    int failAt = data[2] % 4;
    std::string value = TextOf(data + 3, size - 3);
    CheckRoundTrip(data, size);

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

    return 0;
}
