// The remembered settings repaired as often as they are damaged: each time
// the damaged file goes aside as varden.conf.bad (the newest damage, not an
// older one) and a clean file with what could be read takes its place.
#include <gtest/gtest.h>

#include <filesystem>
#include <fstream>
#include <iterator>
#include <stdlib.h>

#include "AppSettings.h"

namespace {
std::string ReadFile(const std::filesystem::path& path)
{
    std::ifstream f(path, std::ios::binary);
    return {std::istreambuf_iterator<char>(f), {}};
}
}  // namespace

TEST(AppSettings, EachDamageIsRepairedAndTheNewestKeptAside)
{
    char szTemplate[] = "/tmp/varden-settings-XXXXXX";
    ASSERT_NE(mkdtemp(szTemplate), nullptr);
    const std::filesystem::path dir = szTemplate;
    const std::filesystem::path file = dir / "varden.conf", bad = dir / "varden.conf.bad";
    const QString strFile = QString::fromStdString(file.string());
    for (int nRound = 1; nRound <= 3; ++nRound) {
        // Repaired on exit, or at the first change.
        const bool bOnChange = nRound == 2;
        const std::string port = "/dev/ttyR" + std::to_string(nRound), damage = "damage" + std::to_string(nRound);
        std::ofstream(file) << "[link]\nport=" << port << "\n[window]\nposition=" << damage << "\n";
        testing::internal::CaptureStderr();
        {
            CAppSettings settings(strFile);
            EXPECT_EQ(settings.GetLastPort(), port);
            EXPECT_FALSE(settings.GetWindowPos());
            if (bOnChange) {
                settings.SetDialogPath("open", "/music");
                EXPECT_NE(ReadFile(bad).find(damage), std::string::npos) << "round " << nRound;
            }
        }
        const std::string strErr = testing::internal::GetCapturedStderr();
        EXPECT_NE(strErr.find("are damaged (window/position)"), std::string::npos) << strErr;
        SCOPED_TRACE("round " + std::to_string(nRound));
        EXPECT_NE(ReadFile(bad).find(damage), std::string::npos) << ReadFile(bad);
        EXPECT_EQ(ReadFile(file).find("damage"), std::string::npos) << ReadFile(file);
        testing::internal::CaptureStderr();
        const CAppSettings again(strFile);
        EXPECT_EQ(again.GetLastPort(), port);
        EXPECT_EQ(again.GetDialogPath("open"), bOnChange ? "/music" : "");
        EXPECT_EQ(testing::internal::GetCapturedStderr(), "") << "a repaired file reads clean";
    }
    std::filesystem::remove_all(dir);
}

// When the damaged file cannot be kept aside (a folder stands in the way),
// it is left as it is, changes hold for the session only, and stderr says so.
TEST(AppSettings, ADamagedFileThatCannotBeKeptIsNotOverwritten)
{
    char szTemplate[] = "/tmp/varden-settings-XXXXXX";
    ASSERT_NE(mkdtemp(szTemplate), nullptr);
    const std::filesystem::path dir = szTemplate;
    const std::filesystem::path file = dir / "varden.conf", bad = dir / "varden.conf.bad";
    std::filesystem::create_directories(bad / "inside");
    const std::string strDamaged = "[link]\nport=/dev/ttyR1\n[window]\nposition=damage\n";
    std::ofstream(file) << strDamaged;
    testing::internal::CaptureStderr();
    {
        CAppSettings settings(QString::fromStdString(file.string()));
        settings.SetLastPort("/dev/ttyR2");
        EXPECT_EQ(settings.GetLastPort(), "/dev/ttyR2");
        settings.AddRecentFile("/music/a.vdn");
        settings.RemoveRecentFile("/music/a.vdn");
        EXPECT_TRUE(settings.GetRecentFiles().empty());
        EXPECT_FALSE(settings.GetWindowPos());
    }
    const std::string strErr = testing::internal::GetCapturedStderr();
    EXPECT_NE(strErr.find("could not be kept as " + bad.string()), std::string::npos) << strErr;
    EXPECT_EQ(ReadFile(file), strDamaged);
    std::filesystem::remove_all(dir);
}
