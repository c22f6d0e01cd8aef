#include "app_fixture.h"

#include "common/common.h"

namespace {

const wchar_t kSection[] = L"" APP_SHORT_NAME;

void ReportUnexpected(const SeenDialog &seen)
{
    ADD_FAILURE() << "a dialog that the test did not expect: caption \"" << seen.caption << "\", text \""
                  << seen.text << "\"";
}

std::wstring ProfileSection()
{
    std::wstring section(65536, L'\0');
    DWORD length = GetProfileSectionW(kSection, &section[0], (DWORD)section.size());
    section.resize(length);
    return section;
}

} // namespace

AppTest::AppTest()
    : machineKey_(HKEY_LOCAL_MACHINE, kMachineSubkey), userKey_(HKEY_CURRENT_USER, kUserSubkey),
      profile_(ProfileSection()), windowAtStart_(g_hMainWnd)
{
    DialogAnswerer::SetUnexpectedReporter(ReportUnexpected);
}

AppTest::~AppTest()
{
    if (g_hMainWnd != windowAtStart_)
        DestroyMainWindow();
    lstrcpyA(g_varName, "PATH");
    g_modified = FALSE;
    EXPECT_TRUE(machineKey_.Restore()) << "the machine's Environment key was not put back exactly";
    EXPECT_TRUE(userKey_.Restore()) << "the user's Environment key was not put back exactly";
    if (ProfileSection() != profile_) {
        WriteProfileStringW(kSection, NULL, NULL);
        if (!profile_.empty())
            WriteProfileSectionW(kSection, (profile_ + L'\0').c_str());
    }
}
