#include "app_fixture.h"

#include "common/common.h"

namespace {

const wchar_t kSection[] = L"" APP_SHORT_NAME;

void ReportUnexpected(const SeenDialog &seen)
{
    ADD_FAILURE() << "a dialog that the test did not expect: caption \"" << seen.caption << "\", text \""
                  << seen.text << "\"";
}

/* The program's section in the settings file (file NULL: in win.ini), as "key=value" strings each
   ended by a zero. */
std::wstring ProfileSection(const wchar_t *file)
{
    std::wstring section(65536, L'\0');
    DWORD length = file ? GetPrivateProfileSectionW(kSection, &section[0], (DWORD)section.size(), file)
                        : GetProfileSectionW(kSection, &section[0], (DWORD)section.size());
    section.resize(length);
    return section;
}

void RestoreProfileSection(const wchar_t *file, const std::wstring &saved)
{
    if (ProfileSection(file) == saved)
        return;
    if (file) {
        WritePrivateProfileStringW(kSection, NULL, NULL, file);
        if (!saved.empty())
            WritePrivateProfileSectionW(kSection, (saved + L'\0').c_str(), file);
    } else {
        WriteProfileStringW(kSection, NULL, NULL);
        if (!saved.empty())
            WriteProfileSectionW(kSection, (saved + L'\0').c_str());
    }
}

} // namespace

AppTest::AppTest()
    : machineKey_(HKEY_LOCAL_MACHINE, kMachineSubkey), userKey_(HKEY_CURRENT_USER, kUserSubkey),
      settingsFile_(WideFromUtf8(SettingsFile())), settings_(ProfileSection(settingsFile_.c_str())),
      oldSettings_(ProfileSection(NULL)), windowAtStart_(g_hMainWnd)
{
    DialogAnswerer::SetUnexpectedReporter(ReportUnexpected);
    /* A history of its own: what another test wrote through the program is no change by another
       program to this one. */
    UseNewLocalAppData();
}

AppTest::~AppTest()
{
    if (g_hMainWnd != windowAtStart_)
        DestroyMainWindow();
    lstrcpyA(g_varName, "PATH");
    g_modified = FALSE;
    EXPECT_TRUE(machineKey_.Restore()) << "the machine's Environment key was not put back exactly";
    EXPECT_TRUE(userKey_.Restore()) << "the user's Environment key was not put back exactly";
    /* The file where it was when the test began, even if the test has moved LOCALAPPDATA. */
    RestoreProfileSection(settingsFile_.c_str(), settings_);
    RestoreProfileSection(NULL, oldSettings_);
}
