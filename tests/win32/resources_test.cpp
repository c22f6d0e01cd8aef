/* What Windows and Explorer read from the built executables without starting them: the manifest,
   the version block and the icons. Read back from the files: velkor.exe next to this test, and the
   32-bit and release builds when they have been built beside it. */
#include "app_fixture.h"
#include "e2e_support.h"
#include "resource.h"
#include "velkor_version.h"

#include <string>
#include <vector>

namespace {

/* The build folder of this test's tree, with a trailing backslash. */
std::string BuildRoot()
{
    std::string exe = AppExePath();
    return exe.substr(0, exe.find_last_of("\\/") + 1) + "..\\";
}

/* The executable (velkor.exe, velkorc.exe) of this tree, and of the other trees that exist. */
std::vector<std::string> BuiltExecutables(const std::string &name = "velkor.exe")
{
    std::vector<std::string> found = {SiblingExePath(name)};
    for (const char *tree : {"win32", "release-win64", "release-win32"}) {
        std::string path = BuildRoot() + tree + "\\" + name;
        if (GetFileAttributesA(path.c_str()) != INVALID_FILE_ATTRIBUTES)
            found.push_back(path);
    }
    return found;
}

/* The executable mapped for reading its resources only; works for either architecture. */
class ResourceFile {
public:
    explicit ResourceFile(const std::string &path)
        : module_(LoadLibraryExA(path.c_str(), NULL, LOAD_LIBRARY_AS_DATAFILE | LOAD_LIBRARY_AS_IMAGE_RESOURCE))
    {
    }
    ~ResourceFile()
    {
        if (module_)
            FreeLibrary(module_);
    }
    ResourceFile(const ResourceFile &) = delete;
    ResourceFile &operator=(const ResourceFile &) = delete;

    bool Loaded() const { return module_ != NULL; }
    HMODULE Module() const { return module_; }
    /* The bytes of one resource; empty when there is none. */
    std::string Bytes(LPCSTR type, LPCSTR name) const
    {
        HRSRC found = FindResourceA(module_, name, type);
        if (!found)
            return std::string();
        const char *data = (const char *)LockResource(LoadResource(module_, found));
        return std::string(data, SizeofResource(module_, found));
    }

private:
    HMODULE module_;
};

/* A text of the version block's string table, as UTF-16 converted to UTF-8. */
std::string VersionString(const std::vector<char> &block, const char *name)
{
    std::wstring query = L"\\StringFileInfo\\040904B0\\";
    for (const char *c = name; *c; c++)
        query += (wchar_t)*c;
    wchar_t *value = NULL;
    UINT length = 0;
    if (!VerQueryValueW(block.data(), query.c_str(), (void **)&value, &length) || !value)
        return "(none)";
    std::string text;
    for (UINT i = 0; i < length && value[i]; i++)
        text += (char)value[i];
    return text;
}

std::vector<std::string> Both(std::vector<std::string> editor, const std::vector<std::string> &console)
{
    editor.insert(editor.end(), console.begin(), console.end());
    return editor;
}

BOOL CALLBACK TakeFirstName(HMODULE, LPCSTR, LPSTR name, LONG_PTR param)
{
    *(ULONG_PTR *)param = IS_INTRESOURCE(name) ? (ULONG_PTR)name : (ULONG_PTR)-1;
    return FALSE;   /* the first one is enough */
}

#pragma pack(push, 2)
struct GroupIconEntry {   /* GRPICONDIRENTRY */
    BYTE width, height, colours, reserved;
    WORD planes, bitCount;
    DWORD bytes;
    WORD id;
};
#pragma pack(pop)

class ExecutableResources : public AppTest {};

} // namespace

TEST_F(ExecutableResources, TheTestProgramRunsWithoutTheManifest)
{
    EXPECT_TRUE(FindResourceA(GetModuleHandleA(NULL), MAKEINTRESOURCEA(1), RT_MANIFEST) == NULL)
        << "the code page 1252 paths are tested only without it";
}

TEST_F(ExecutableResources, ManifestAsksForTheSettingsOfACurrentWindowsProgram)
{
    /* The console program draws no controls: the last three go with the editor only. */
    const char *const needles[] = {
        "version=\"" VELKOR_VERSION_TEXT "\"",
        "<requestedExecutionLevel level=\"asInvoker\" uiAccess=\"false\"/>",
        "<supportedOS Id=\"{e2011457-1546-43c5-a5fe-008deee3d3f0}\"/>",   /* Vista */
        "<supportedOS Id=\"{35138b9a-5d96-4fbd-8e2d-a2440225f93a}\"/>",   /* 7 */
        "<supportedOS Id=\"{4a2f28e3-53b9-4441-ba9c-d69d4a4a6e38}\"/>",   /* 8 */
        "<supportedOS Id=\"{1f676c76-80e1-4239-95bb-83d0f6d0da78}\"/>",   /* 8.1 */
        "<supportedOS Id=\"{8e0f7a12-bfb3-4fe8-b9a5-48fd50a15a9a}\"/>",   /* 10 and 11 */
        "WindowsSettings\">UTF-8</activeCodePage>",
        "WindowsSettings\">true</longPathAware>",
        "name=\"Microsoft.Windows.Common-Controls\" version=\"6.0.0.0\"",
        "<dpiAware xmlns=\"http://schemas.microsoft.com/SMI/2005/WindowsSettings\">true/pm</dpiAware>",
        "<dpiAwareness xmlns=\"http://schemas.microsoft.com/SMI/2016/WindowsSettings\">PerMonitorV2, PerMonitor</dpiAwareness>",
    };
    const size_t count = sizeof needles / sizeof needles[0];
    for (const std::string &path : Both(BuiltExecutables(), BuiltExecutables("velkorc.exe"))) {
        bool editor = path.find("velkorc.exe") == std::string::npos;
        ResourceFile file(path);
        ASSERT_TRUE(file.Loaded()) << path;
        std::string manifest = file.Bytes(RT_MANIFEST, MAKEINTRESOURCEA(1));
        ASSERT_FALSE(manifest.empty()) << path;
        EXPECT_EQ(0u, manifest.find("<?xml")) << path;
        EXPECT_EQ(std::string::npos, manifest.find('@')) << path << ": a placeholder was left";
        for (size_t i = 0; i < (editor ? count : count - 3); i++)
            EXPECT_NE(std::string::npos, manifest.find(needles[i])) << path << " lacks " << needles[i];
        /* GDI scaling would stretch what the windows now draw at the screen's DPI themselves. */
        EXPECT_EQ(std::string::npos, manifest.find("gdiScaling")) << path;
    }
}

TEST_F(ExecutableResources, VersionBlockNamesTheProductAndTheProjectVersion)
{
    const struct {
        const char *name, *value;   /* NULL: any text but an empty one */
    } strings[] = {
        {"ProductName", "Velkor Editor"},
        {"FileDescription", NULL},
        {"OriginalFilename", NULL},   /* the file's own name, below */
        {"InternalName", NULL},
        {"FileVersion", VELKOR_VERSION_TEXT},
        {"ProductVersion", VELKOR_VERSION_TEXT},
    };
    const DWORD high = MAKELONG(VELKOR_VERSION_MINOR, VELKOR_VERSION_MAJOR);
    const DWORD low = MAKELONG(VELKOR_VERSION_TWEAK, VELKOR_VERSION_PATCH);
    for (const std::string &path : Both(BuiltExecutables(), BuiltExecutables("velkorc.exe"))) {
        DWORD size = GetFileVersionInfoSizeA(path.c_str(), NULL);
        ASSERT_GT(size, 0u) << path;
        std::vector<char> block(size);
        ASSERT_TRUE(GetFileVersionInfoA(path.c_str(), 0, size, block.data())) << path;
        VS_FIXEDFILEINFO *fixed = NULL;
        UINT length = 0;
        ASSERT_TRUE(VerQueryValueW(block.data(), L"\\", (void **)&fixed, &length)) << path;
        EXPECT_EQ(high, fixed->dwFileVersionMS) << path;
        EXPECT_EQ(low, fixed->dwFileVersionLS) << path;
        EXPECT_EQ(high, fixed->dwProductVersionMS) << path;
        EXPECT_EQ(low, fixed->dwProductVersionLS) << path;
        EXPECT_EQ((DWORD)VFT_APP, fixed->dwFileType) << path;
        EXPECT_EQ(path.substr(path.find_last_of("\\/") + 1), VersionString(block, "OriginalFilename"));
        for (const auto &s : strings) {
            std::string value = VersionString(block, s.name);
            if (s.value)
                EXPECT_EQ(s.value, value) << path << ": " << s.name;
            else
                EXPECT_TRUE(value != "(none)" && !value.empty()) << path << ": " << s.name;
        }
    }
}

TEST_F(ExecutableResources, FirstIconHoldsEverySizeAsBitmapsAndTheLargestAsPng)
{
    const int sizes[] = {16, 24, 32, 48, 256};
    for (const std::string &path : BuiltExecutables()) {
        ResourceFile file(path);
        ASSERT_TRUE(file.Loaded()) << path;
        /* Explorer shows the first icon group. */
        ULONG_PTR first = 0;
        EnumResourceNamesA(file.Module(), RT_GROUP_ICON, TakeFirstName, (LONG_PTR)&first);
        EXPECT_EQ((ULONG_PTR)IDI_APP, first) << path;

        std::string group = file.Bytes(RT_GROUP_ICON, MAKEINTRESOURCEA(IDI_APP));
        ASSERT_GE(group.size(), 6u) << path;
        WORD count = *(const WORD *)(group.data() + 4);
        ASSERT_EQ(sizeof sizes / sizeof sizes[0], (size_t)count) << path;
        ASSERT_EQ(6 + count * sizeof(GroupIconEntry), group.size()) << path;
        const GroupIconEntry *entries = (const GroupIconEntry *)(group.data() + 6);
        for (int i = 0; i < count; i++) {
            const GroupIconEntry &entry = entries[i];
            int size = sizes[i];
            EXPECT_EQ(size % 256, entry.width) << path << " image " << i;
            EXPECT_EQ(size % 256, entry.height) << path << " image " << i;
            EXPECT_EQ(32, entry.bitCount) << path << " image " << i;
            std::string image = file.Bytes(RT_ICON, MAKEINTRESOURCEA(entry.id));
            ASSERT_EQ(entry.bytes, image.size()) << path << " image " << i;
            if (size == 256) {
                EXPECT_EQ(0u, image.find("\x89PNG\r\n\x1a\n")) << path;
                continue;
            }
            ASSERT_GE(image.size(), sizeof(BITMAPINFOHEADER)) << path << " image " << i;
            const BITMAPINFOHEADER *header = (const BITMAPINFOHEADER *)image.data();
            EXPECT_EQ(size, header->biWidth) << path;
            EXPECT_EQ(2 * size, header->biHeight) << path << ": colour and mask";
        }
    }
}

/* Every dialog template is extended, with the shell's dialog font, which Windows maps to a
   TrueType font linked to the other scripts' fonts. */
TEST_F(ExecutableResources, EveryDialogUsesTheShellDialogFont)
{
    ResourceFile file(AppExePath());
    ASSERT_TRUE(file.Loaded());
    for (int id : {IDD_MAIN, IDD_VAR_NAME, IDD_QUESTION, IDD_CHECK}) {
        std::string bytes = file.Bytes(RT_DIALOG, MAKEINTRESOURCEA(id));
        ASSERT_GT(bytes.size(), 26u) << id;
        const WORD *words = (const WORD *)bytes.data();
        EXPECT_EQ(0xFFFF, words[1]) << id << ": DIALOGEX";
        DWORD style = *(const DWORD *)(bytes.data() + 12);
        EXPECT_EQ((DWORD)DS_SHELLFONT, style & DS_SHELLFONT) << id;
        /* After the box: the menu, the class and the caption, then size, weight, italic, charset
           and the face's name. */
        size_t at = 13;
        for (int field = 0; field < 3; field++)
            at += words[at] == 0xFFFF ? 2 : std::wstring((const wchar_t *)(words + at)).size() + 1;
        EXPECT_EQ(8, words[at]) << id;
        EXPECT_EQ(L"MS Shell Dlg", std::wstring((const wchar_t *)(words + at + 3))) << id;
    }
}
