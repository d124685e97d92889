// vardenctl backup and restore turn away bad folders, indexes and slot lists
// before they touch the device: the port here does not exist, so reaching it
// would end in "Unable to Open COM-Port" instead of the error expected.
#include <gtest/gtest.h>

#include <filesystem>
#include <fstream>
#include <sstream>

#include "VardenctlRun.h"

namespace fs = std::filesystem;

namespace {
std::string Index(const std::string& slots)
{
    return "{\"format\": \"varden backup\", \"version\": 1, \"slots\": [" + slots + "]}";
}

std::string Entry(int nSlot, const std::string& name, const std::string& file)
{
    return "{\"slot\": " + std::to_string(nSlot) + ", \"name\": \"" + name + "\", \"file\": \"" + file + "\"}";
}

class BackupFolderTest : public CommandTest {
protected:
    void SetUp() override
    {
        CommandTest::SetUp();
        port = Path("no-such-port");
    }

    // Expects the command to fail with code and text, without a device.
    void ExpectRefused(const std::vector<std::string>& args, int code, const std::string& text)
    {
        const Result r = Ctl(args);
        EXPECT_EQ(r.code, code) << text;
        EXPECT_NE(r.err.find(text), std::string::npos) << r.err;
        EXPECT_EQ(r.err.find("Unable to Open COM-Port"), std::string::npos) << r.err;
    }

    std::string port;
};
}  // namespace

TEST_F(BackupFolderTest, BackupRefusesFoldersItMustNotWriteInto)
{
    WriteText(m_dir / "file", "x");
    ExpectRefused({"backup", "--port", port, (m_dir / "file").string()}, 1, "not a folder");
    fs::create_directory(m_dir / "used");
    WriteText(m_dir / "used" / "notes.txt", "mine");
    ExpectRefused({"backup", "--port", port, (m_dir / "used").string()}, 1,
                  "is not empty; give a new folder, or --force");
    // With --force it goes as far as the device, and leaves the files be.
    const Result r = Ctl({"backup", "--port", port, (m_dir / "used").string(), "--force"});
    EXPECT_NE(r.err.find("Unable to Open COM-Port"), std::string::npos) << r.err;
    EXPECT_TRUE(fs::exists(m_dir / "used" / "notes.txt"));
    EXPECT_EQ(Ctl({"backup", "--port", port}).code, 2);
}

TEST_F(BackupFolderTest, RestoreChecksTheWholeBackupFirst)
{
    const fs::path b = m_dir / "b";
    fs::create_directory(b);
    const std::string folder = b.string();
    ExpectRefused({"restore", "--port", port, folder}, 1, "index.json");
    ExpectRefused({"restore", "--port", port, (m_dir / "none").string()}, 1, "index.json");

    struct Case {
        std::string index;
        std::string error;
    };
    std::string five;
    for (int s = 1; s <= 5; ++s)
        five += (s > 1 ? ", " : "") + Entry(s, "P" + std::to_string(s), "p" + std::to_string(s) + ".dia");
    const Case cases[] = {
        {"{\"slots\": ", "not valid JSON"},
        {"{\"format\": \"other\"}", "not a varden backup index"},
        {"{\"format\": \"varden backup\", \"version\": 2, \"slots\": []}", "backup index version 2"},
        {Index(Entry(0, "LIVE", "p0.dia")), "the backup has no slot 1"},
        {Index(Entry(1, "A", "p1.dia") + ", " + Entry(1, "B", "p1.dia")), "slots[1]: slot 1 is listed twice"},
        {Index(Entry(6, "A", "p1.dia")), "slots[0].slot: expected a slot number from 0 to 5"},
        {Index(Entry(1, "NINE CHRS", "p1.dia")), "slots[0].name: the name has 9 characters; the device keeps 8"},
        {Index(Entry(1, "\xD0\x96", "p1.dia")),
         "slots[0].name: the name has a character the device cannot keep (U+0416)"},
        {Index(Entry(1, "A", "../p1.dia")), "slots[0].file: expected the name of a file in the backup folder"},
        {Index(five), "p1.dia: cannot open"},
    };
    for (const Case& c : cases) {
        WriteText(b / "index.json", c.index);
        // A name the device cannot keep is refused as a wrong --name is.
        ExpectRefused({"restore", "--port", port, folder}, c.error.find(".name:") == std::string::npos ? 1 : 2,
                      c.error);
    }
    // Every listed file must read as a preset, not just the first.
    ASSERT_EQ(Ctl({"demo", (b / "p1.dia").string()}).code, 0);
    for (int s = 2; s <= 5; ++s)
        fs::copy_file(b / "p1.dia", b / ("p" + std::to_string(s) + ".dia"), fs::copy_options::overwrite_existing);
    WriteText(b / "p4.dia", "short");
    ExpectRefused({"restore", "--port", port, folder}, 1,
                  "p4.dia: not a preset file: it ends after 5 of at least 1121 bytes");

    // Slot lists.
    for (const char* bad : {"6", "3-1", "1,", "a", "-1", "1-5x"})
        ExpectRefused({"restore", "--port", port, folder, "--slots", bad}, 2, "--slots takes slots");
    ExpectRefused({"restore", "--port", port, folder, "--slots="}, 2, "--slots needs a value");
    // A list that leaves out the bad file gets as far as the device.
    const Result r = Ctl({"restore", "--port", port, folder, "--slots", "1-3,5"});
    EXPECT_NE(r.err.find("Unable to Open COM-Port"), std::string::npos) << r.err;
}
