// Preset files through the Save and Open keys and their dialogs.
#include "WindowFixture.h"

#include <sys/stat.h>

#include <fstream>

#include "PresetFile.h"

TEST_F(WindowTest, SaveAndOpenFollowTheFileRulesAndSendWhenConnected)
{
    EXPECT_TRUE(std::filesystem::is_directory(m_dir / "MusicFile"));
    const std::string strBase = (m_dir / "MusicFile" / "club").string();

    // ".dia" is appended unless the name holds it somewhere.
    Type(IDC_BAND_GAIN + 3, "5");
    for (const std::string strName : {"club", "club.dia", "club.dia.bak", "CLUB.DIA"}) {
        m_strChosen = (m_dir / "MusicFile" / strName).string();
        Click(IDC_SAVE);
    }
    EXPECT_TRUE(std::filesystem::exists(strBase + ".dia"));
    EXPECT_TRUE(std::filesystem::exists(strBase + ".dia.bak"));
    EXPECT_TRUE(std::filesystem::exists((m_dir / "MusicFile" / "CLUB.DIA.dia")));
    EXPECT_EQ(Dlg().GetSaveDlgPath(), (m_dir / "MusicFile" / "CLUB.DIA").string()) << "reopens where it was";
    EXPECT_EQ(Dlg().GetOpenDlgPath(), (m_dir / "MusicFile" / "*.dia").string()) << "each dialog its own";

    // Cancelled dialogs change nothing.
    m_strChosen.clear();
    Click(IDC_OPEN);
    EXPECT_EQ(Channel(0).GetGain(3), 250);

    // A damaged file changes nothing either.
    Type(IDC_BAND_GAIN + 3, "-2");
    std::vector<std::uint8_t> bytes;
    std::string strError;
    ASSERT_TRUE(ReadFileBytes(strBase + ".dia", bytes, strError));
    const std::string strDamaged = (m_dir / "damaged.dia").string();
    for (const std::size_t nKeep : {bytes.size() - 3, std::size_t{700}, std::size_t{0}}) {
        std::ofstream(strDamaged, std::ios::binary)
            .write(reinterpret_cast<const char*>(bytes.data()), static_cast<std::streamsize>(nKeep));
        m_strChosen = strDamaged;
        m_boxes.clear();
        Click(IDC_OPEN);
        ASSERT_EQ(m_boxes.size(), 1u);
        EXPECT_EQ(m_boxes[0].strText.rfind("MusicFile read Error\n" + strDamaged +
                                               ": not a preset file: it ends after " + std::to_string(nKeep) + " of ",
                                           0),
                  0u)
            << m_boxes[0].strText;
        EXPECT_EQ(Channel(0).GetGain(3), 180) << nKeep;
        EXPECT_EQ(Ctl<CNumEdit>(IDC_BAND_GAIN + 3)->GetValue(), 180);
    }
    bytes.push_back(0);  // trailing bytes: not a file we wrote
    std::ofstream(strDamaged, std::ios::binary)
        .write(reinterpret_cast<const char*>(bytes.data()), static_cast<std::streamsize>(bytes.size()));
    Click(IDC_OPEN);
    EXPECT_EQ(Channel(0).GetGain(3), 180);

    // Opening while connected sends the preset to the live slot.
    Connect();
    Choose(IDC_LINK_LIST + 1, 0);
    ASSERT_TRUE(Drain());
    m_strChosen = strBase + ".dia";
    const int nBlocks = Accepted(CMD_BLOCK_WRITE);
    const int nNames = Accepted(CMD_NAME);
    m_boxes.clear();
    Click(IDC_OPEN);
    EXPECT_TRUE(m_boxes.empty());
    EXPECT_EQ(Channel(0).GetGain(3), 250);
    EXPECT_EQ(Ctl<CNumEdit>(IDC_BAND_GAIN + 3)->GetValue(), 250);
    EXPECT_EQ(Dlg().windowTitle(), QStringLiteral("VARDEN  club"));
    EXPECT_NE(g_anLinkGroup[1], g_anLinkGroup[0]) << "every channel in its own group after opening";
    ASSERT_TRUE(Drain());
    EXPECT_EQ(Accepted(CMD_BLOCK_WRITE), nBlocks + NUM_CHANNELS);
    EXPECT_EQ(Accepted(CMD_NAME), nNames + 1);
    for (int k = 0; k < NUM_CHANNELS; ++k)
        ExpectDeviceHolds(0, k, "opened file on the device");

    // A file's longer name goes to the device as the eight characters it
    // keeps, and the window holds the same.
    CTALVRoute named;
    named.SetName("\x80UROPA 2026 mix");
    ASSERT_TRUE(SavePresetFile((m_dir / "long.dia").string(), named, strError)) << strError;
    m_strChosen = (m_dir / "long.dia").string();
    Click(IDC_OPEN);
    ASSERT_TRUE(Drain());
    EXPECT_EQ(Dlg().GetPresetName(0), "\x80UROPA 2");
    m_pSim->WithProcessor([](CVirtualProcessor& p) { EXPECT_EQ(p.GetName(0), MakeSimName("\x80UROPA 2")); });
}

TEST_F(WindowTest, SaveAsksBeforeReplacingAFileAndCaptionsKeepTheFilesName)
{
    // "club" is checked by the dialog; "club.dia" is the file written.
    const std::filesystem::path club = m_dir / "MusicFile" / "club.dia";
    m_strChosen = (m_dir / "MusicFile" / "club").string();
    Click(IDC_SAVE);
    ASSERT_TRUE(std::filesystem::exists(club));
    EXPECT_TRUE(m_boxes.empty()) << "nothing there yet: no question";
    const auto before = std::filesystem::last_write_time(club);
    std::vector<std::uint8_t> old;
    std::string strError;
    ASSERT_TRUE(ReadFileBytes(club.string(), old, strError));

    // No: back to the dialog (cancelled here), the file untouched.
    Type(IDC_BAND_GAIN + 6, "3");
    int nDialogs = 0;
    CFileDialogST::SetModalChooser([&](QFileDialog&) {
        return ++nDialogs == 1 ? QStringList{QString::fromStdString(m_strChosen)} : QStringList();
    });
    m_answer = MessageAnswer::No;
    Click(IDC_SAVE);
    EXPECT_EQ(BoxTexts(), std::vector<std::string>{"club.dia already exists. Replace it?"});
    EXPECT_EQ(m_boxes[0].buttons, MessageButtons::YesNo);
    EXPECT_EQ(nDialogs, 2);
    std::vector<std::uint8_t> now;
    ASSERT_TRUE(ReadFileBytes(club.string(), now, strError));
    EXPECT_EQ(now, old);
    EXPECT_EQ(std::filesystem::last_write_time(club), before);

    // Yes: replaced.
    nDialogs = 0;
    m_answer = MessageAnswer::Yes;
    Click(IDC_SAVE);
    ASSERT_TRUE(ReadFileBytes(club.string(), now, strError));
    EXPECT_NE(now, old);

    // The rule looks at the file's name, not at the folders on its way.
    std::filesystem::create_directory(m_dir / "sets.dia");
    CFileDialogST::SetModalChooser([this](QFileDialog&) { return QStringList{QString::fromStdString(m_strChosen)}; });
    m_strChosen = (m_dir / "sets.dia" / "club").string();
    Click(IDC_SAVE);
    EXPECT_TRUE(std::filesystem::exists(m_dir / "sets.dia" / "club.dia"));

    // What is there and is no file is never replaced.
    ASSERT_EQ(mkfifo((m_dir / "MusicFile" / "pipe.dia").c_str(), 0600), 0);
    m_strChosen = (m_dir / "MusicFile" / "pipe.dia").string();
    m_boxes.clear();
    Click(IDC_SAVE);
    EXPECT_EQ(BoxTexts(), std::vector<std::string>{"MusicFile Write Error\n" + m_strChosen +
                                                   " is not a regular file: not replaced"});
    EXPECT_EQ(std::filesystem::status(m_strChosen).type(), std::filesystem::file_type::fifo);

    // A name beyond ASCII shows as the file system spells it.
    m_strChosen = (m_dir / "MusicFile" / "caf\xC3\xA9").string();
    Click(IDC_SAVE);
    EXPECT_EQ(Dlg().windowTitle(), QStringLiteral("VARDEN  caf\u00e9"));
    Click(IDC_CHANNEL_BUTTON + 1);
    m_strChosen += ".dia";
    Click(IDC_OPEN);
    EXPECT_EQ(Dlg().windowTitle(), QStringLiteral("VARDEN  caf\u00e9"));
    EXPECT_EQ(Channel(0).GetGain(6), 230);
}

TEST_F(WindowTest, AFileSavedUnderANameFromTheDeviceOpensAgain)
{
    // The device's live preset carries a name the file rule refuses.
    m_pSim->WithProcessor([](CVirtualProcessor& p) {
        std::vector<BYTE> state = p.SaveState();
        const SimName& live = p.GetName(0);
        const auto it = std::search(state.begin(), state.end(), live.begin(), live.end());
        ASSERT_NE(it, state.end());
        const SimName odd = MakeSimName("A\x01\x81Z");
        std::copy(odd.begin(), odd.end(), it);
        ASSERT_TRUE(p.LoadState(state));
    });
    Connect();
    m_strChosen = (m_dir / "MusicFile" / "odd").string();
    Click(IDC_SAVE);
    Click(IDC_LINK);
    Type(IDC_BAND_GAIN + 1, "4");
    m_strChosen += ".dia";
    Click(IDC_OPEN);
    EXPECT_TRUE(m_boxes.empty()) << BoxTexts()[0];
    EXPECT_EQ(Dlg().GetPresetName(0), "A??Z");
    EXPECT_EQ(Channel(0).GetGain(1), 200);
}
