#include <sys/stat.h>
#include <unistd.h>

#include <cstdio>
#include <filesystem>
#include <fstream>
#include <random>

#include "Archive.h"
#include "ModelFixture.h"
#include "PresetFile.h"
#include "PresetLoader.h"

namespace {
std::vector<std::uint8_t> Bytes(std::initializer_list<int> list)
{
    std::vector<std::uint8_t> v;
    for (int x : list)
        v.push_back(static_cast<std::uint8_t>(x));
    return v;
}

void LoadBytes(CTALVRoute& route, const std::vector<std::uint8_t>& bytes)
{
    CArchive ar(bytes.data(), bytes.size());
    route.Serialize(ar);
}

// Gives every field of every channel a value other than its default.
void Fill(CTALVRoute& route, int nSeed)
{
    for (int k = 0; k < NUM_CHANNELS; ++k) {
        CTALVData& ch = route.GetChannel(k);
        for (int b = 0; b < NUM_BANDS; ++b) {
            ch.SetGain(static_cast<short>((b * 13 + nSeed + k) % 401), b);
            ch.SetQ(static_cast<short>((b + nSeed + k) % 60), b);
        }
        ch.SetHpfFreq(static_cast<short>(100 + nSeed + k));
        ch.SetLpfFreq(static_cast<short>(5000 + nSeed + k));
        ch.SetHpfType(static_cast<BYTE>((nSeed + k) % 3));
        ch.SetLpfSlope(static_cast<BYTE>((nSeed + k) % 7));
        ch.SetOutputOn(1);
        ch.SetPolarity(static_cast<BYTE>(nSeed & 1));
        ch.SetChannelGain(static_cast<short>(300 + nSeed + k));
        ch.SetDelay(static_cast<short>(10 + nSeed + k));
        ch.SetGateThreshold(11 + (nSeed + k) % 30);
        ch.SetInputLevel(1);
    }
    route.SetName("P" + std::to_string(nSeed));
}

class TempDir {
public:
    TempDir()
    {
        char templ[] = "/tmp/varden-test-XXXXXX";
        m_path = mkdtemp(templ);
    }
    ~TempDir()
    {
        chmod(m_path.c_str(), 0700);
        std::filesystem::remove_all(m_path);
    }
    std::string operator/(const std::string& name) const { return m_path + "/" + name; }
    const std::string& path() const { return m_path; }

private:
    std::string m_path;
};
}  // namespace

TEST_F(ModelTest, NewPresetFileHasTheDocumentedBytes)
{
    const auto bytes = StorePresetBytes(route);
    ASSERT_EQ(bytes.size(), 4u * 280 + 5);
    for (int k = 0; k < NUM_CHANNELS; ++k) {
        const auto* rec = bytes.data() + 280 * k;
        const auto head = Bytes({1, 0, 0, 0, 0, 0, 0,    0, 0,    0, 0, 0, 0,    0,    0, 0,
                                 0, 0, 0, 0, 0, 0, 0x28, 0, 0x14, 0, 0, 0, 0x20, 0x4E, 0, 0});
        EXPECT_TRUE(std::equal(head.begin(), head.end(), rec)) << "channel " << k;
        const auto band0 = Bytes({0x14, 0, 0xC8, 0, 0, 0, 0, 0});
        const auto band1 = Bytes({0x19, 0, 0xC8, 0, 0, 0, 0, 0});
        const auto band30 = Bytes({0x20, 0x4E, 0xC8, 0, 0, 0, 0, 0});
        EXPECT_TRUE(std::equal(band0.begin(), band0.end(), rec + 32));
        EXPECT_TRUE(std::equal(band1.begin(), band1.end(), rec + 40));
        EXPECT_TRUE(std::equal(band30.begin(), band30.end(), rec + 32 + 8 * 30));
    }
    const auto tail = Bytes({0x04, 'N', 'U', 'L', 'L'});
    EXPECT_TRUE(std::equal(tail.begin(), tail.end(), bytes.end() - 5));
}

TEST_F(ModelTest, SaveAndLoadRoundTripEveryField)
{
    Fill(route, 3);
    route.GetChannel(1).GetRecord();
    route.SetName(std::string(300, 'n'));
    const auto bytes = StorePresetBytes(route);
    EXPECT_EQ(bytes[1120], 0xFF);
    EXPECT_EQ(bytes[1121], 0x2C);
    EXPECT_EQ(bytes[1122], 0x01);

    CTALVRoute loaded;
    LoadBytes(loaded, bytes);
    for (int k = 0; k < NUM_CHANNELS; ++k) {
        EXPECT_TRUE(loaded.GetChannel(k).GetRecord() == route.GetChannel(k).GetRecord()) << k;
        EXPECT_FALSE(loaded.GetChannel(k).IsAnyDirty());
    }
    EXPECT_EQ(loaded.GetName(), route.GetName());
    EXPECT_EQ(StorePresetBytes(loaded), bytes);
}

TEST_F(ModelTest, SavingDuringARampWritesTheTargetAndEndsTheRamp)
{
    CTALVData& ch = route.GetChannel(0);
    ch.SetHpfFreq(1000);
    route.GetNextFrame();
    ASSERT_EQ(ch.GetHpfCurrentFreq(), 40);
    const auto bytes = StorePresetBytes(route);
    EXPECT_EQ(GetWord(bytes.data() + 24), 1000);
    EXPECT_EQ(ch.GetHpfCurrentFreq(), 1000);
    EXPECT_TRUE(HasValidChecksum(ch.GetCrossoverFrame(), SHORT_FRAME_LEN));
}

TEST_F(ModelTest, LoadingClampsValuesIntoTheirRanges)
{
    auto bytes = StorePresetBytes(route);
    auto* rec = bytes.data();
    rec[22] = 0;  // gate
    rec[280 + 22] = 200;
    rec[23] = 5;             // input level
    rec[16] = 3;             // output switch
    rec[21] = 9;             // polarity
    SetWord(rec + 17, 900);  // channel gain
    SetWord(rec + 19, -4);   // delay
    SetWord(rec + 24, 0);    // HPF frequency
    rec[26] = 3;             // HPF type
    rec[27] = 7;             // HPF slope
    SetWord(rec + 28, 30000);
    rec[30] = 255;
    rec[31] = 255;
    SetWord(rec + 32, 5);          // band 0 frequency
    SetWord(rec + 34, 200);        // band 0 gain: bypassed
    SetWord(rec + 36 + 8, 60);     // band 1 Q
    SetWord(rec + 34 + 16, 999);   // band 2 gain
    SetWord(rec + 38 + 24, 1234);  // band 3 reserved word: kept as it is

    route.GetChannel(0).SetGain(150, 0);
    LoadBytes(route, bytes);
    const CTALVData& ch = route.GetChannel(0);
    EXPECT_EQ(ch.GetGateByte(), 40);
    EXPECT_EQ(route.GetChannel(1).GetGateByte(), 70);
    EXPECT_EQ(ch.GetInputLevel(), 1);
    EXPECT_EQ(ch.GetOutputOn(), 1);
    EXPECT_EQ(ch.GetPolarity(), 1);
    EXPECT_EQ(ch.GetChannelGain(), 800);
    EXPECT_EQ(ch.GetDelay(), 0);
    EXPECT_EQ(ch.GetHpfFreq(), 20);
    EXPECT_EQ(ch.GetHpfCurrentFreq(), 20);
    EXPECT_EQ(ch.GetHpfType(), 2);
    EXPECT_EQ(ch.GetHpfSlope(), 6);
    EXPECT_EQ(ch.GetLpfFreq(), 20000);
    EXPECT_EQ(ch.GetLpfType(), 2);
    EXPECT_EQ(ch.GetLpfSlope(), 6);
    EXPECT_EQ(ch.GetBandFreq(0), 20);
    EXPECT_TRUE(ch.IsBandBypassed(0));
    EXPECT_EQ(ch.GetQ(1), 59);
    EXPECT_EQ(ch.GetGain(2), 400);
    EXPECT_EQ(ch.GetBandReserved(3), 1234);
    // The band loaded flat has 200 as its saved gain: there is nothing to restore.
    route.GetChannel(0).SetBandBypass(0, 0);
    EXPECT_EQ(ch.GetGain(0), 200);
    ExpectAllChecksumsValid();
}

TEST_F(ModelTest, BassLinkLoadMakesChannelOneACopyOfChannelZero)
{
    CTALVRoute source;
    Fill(source, 11);
    source.GetChannel(1).SetChannelGain(123);
    const auto bytes = StorePresetBytes(source);

    g_bBassLink = true;
    LoadBytes(route, bytes);
    const CTALVData& c0 = route.GetChannel(0);
    const CTALVData& c1 = route.GetChannel(1);
    for (int b = 0; b < NUM_BANDS; ++b) {
        EXPECT_EQ(c1.GetGain(b), c0.GetGain(b));
        EXPECT_EQ(c1.GetQ(b), c0.GetQ(b));
    }
    EXPECT_EQ(c1.GetChannelGain(), c0.GetChannelGain());
    EXPECT_EQ(c1.GetDelay(), c0.GetDelay());
    EXPECT_EQ(c1.GetHpfCurrentFreq(), c0.GetHpfCurrentFreq());
    EXPECT_EQ(c1.GetHpfType(), c0.GetHpfType());
    EXPECT_EQ(c1.GetChannel(), 1);
    EXPECT_EQ(route.GetName(), "P11");
    ExpectAllChecksumsValid();
}

// The offsets at which a field of the file ends.
static std::vector<std::size_t> FieldEnds(std::size_t nFileSize)
{
    std::vector<std::size_t> ends;
    const int head[] = {4, 4, 4, 4, 1, 2, 2, 1, 1, 1, 2, 1, 1, 2, 1, 1};
    std::size_t pos = 0;
    for (int k = 0; k < NUM_CHANNELS; ++k) {
        for (int n : head)
            ends.push_back(pos += static_cast<std::size_t>(n));
        for (int i = 0; i < NUM_BANDS * 4; ++i)
            ends.push_back(pos += 2);
    }
    ends.push_back(nFileSize);  // the name
    return ends;
}

TEST_F(ModelTest, TruncatedFileKeepsWhatWasReadAndRaisesTheError)
{
    CTALVRoute earlier;
    Fill(earlier, 5);
    const auto earlierBytes = StorePresetBytes(earlier);
    CTALVRoute newer;
    Fill(newer, 9);
    const auto full = StorePresetBytes(newer);
    ASSERT_EQ(full.size(), earlierBytes.size());
    const auto ends = FieldEnds(full.size());

    for (std::size_t n = 0; n < full.size(); ++n) {
        CTALVRoute r;
        LoadBytes(r, earlierBytes);
        try {
            CArchive ar(full.data(), n);
            r.Serialize(ar);
            ADD_FAILURE() << "no error at length " << n;
        } catch (const CArchiveException& e) {
            EXPECT_EQ(e.m_cause, CArchiveException::endOfFile);
            EXPECT_STREQ(e.what(), "An attempt was made to access an unnamed file past its end.");
        }
        // Expected: whole fields read from the new file, the rest as before.
        std::size_t whole = 0;
        for (std::size_t end : ends)
            if (end <= n)
                whole = end;
        std::vector<std::uint8_t> mixed(full.begin(), full.begin() + static_cast<long>(whole));
        mixed.insert(mixed.end(), earlierBytes.begin() + static_cast<long>(whole), earlierBytes.end());
        CTALVRoute expected;
        LoadBytes(expected, mixed);
        for (int k = 0; k < NUM_CHANNELS; ++k) {
            ASSERT_TRUE(r.GetChannel(k).GetRecord() == expected.GetChannel(k).GetRecord())
                << "length " << n << " channel " << k;
            for (int b = 0; b < NUM_BANDS; ++b)
                ASSERT_TRUE(HasValidChecksum(r.GetChannel(k).GetBandFrame(b), SHORT_FRAME_LEN));
        }
        EXPECT_EQ(r.GetName(), "P5");
    }
}

TEST_F(ModelTest, SavingReplacesTheFileWholeOrNotAtAll)
{
    TempDir dir;
    const std::string path = dir / "preset.dia";
    std::string err;
    Fill(route, 2);
    ASSERT_TRUE(SavePresetFile(path, route, err)) << err;
    const auto first = StorePresetBytes(route);

    std::vector<std::uint8_t> onDisk;
    ASSERT_TRUE(ReadFileBytes(path, onDisk, err));
    EXPECT_EQ(onDisk, first);

    CTALVRoute loaded;
    ASSERT_TRUE(LoadPresetFile(path, loaded, err));
    EXPECT_EQ(loaded.GetName(), "P2");

    // A folder we may not write to: the save fails, the old file stays whole,
    // and no temporary file is left behind.
    if (geteuid() != 0) {
        chmod(dir.path().c_str(), 0500);
        route.SetName("changed");
        EXPECT_FALSE(SavePresetFile(path, route, err));
        EXPECT_NE(err.find(path), std::string::npos);
        chmod(dir.path().c_str(), 0700);
        ASSERT_TRUE(ReadFileBytes(path, onDisk, err));
        EXPECT_EQ(onDisk, first);
    }
    // A target that cannot be replaced (a folder in its place) fails cleanly.
    const std::string folder = dir / "folder.dia";
    std::filesystem::create_directory(folder);
    std::filesystem::create_directory(folder + "/x");
    EXPECT_FALSE(SavePresetFile(folder, route, err));
    EXPECT_TRUE(std::filesystem::is_directory(folder));

    int nFiles = 0;
    for (const auto& e : std::filesystem::directory_iterator(dir.path())) {
        (void)e;
        ++nFiles;
    }
    EXPECT_EQ(nFiles, 2);  // preset.dia and folder.dia, no leftovers

    // Saved through a symbolic link, the file it points to is replaced and
    // the link stays a link (the virtual processor's state and vardenctl's
    // outputs are saved the same way).
    std::filesystem::create_symlink("preset.dia", dir / "link.dia");
    route.SetName("LINKED");
    ASSERT_TRUE(SavePresetFile(dir / "link.dia", route, err)) << err;
    EXPECT_TRUE(std::filesystem::is_symlink(dir / "link.dia"));
    ASSERT_TRUE(LoadPresetFile(path, loaded, err)) << err;
    EXPECT_EQ(loaded.GetName(), "LINKED");
    // A link to nothing yet, or a chain ending in one, is written through:
    // the links stay, and the file appears where they point.
    std::filesystem::create_directory(dir / "sub");
    std::filesystem::create_symlink("sub/new.dia", dir / "dangling.dia");
    std::filesystem::create_symlink(dir / "dangling.dia", dir / "chain.dia");
    for (const char* pszName : {"dangling.dia", "chain.dia"}) {
        route.SetName(pszName);
        ASSERT_TRUE(SavePresetFile(dir / pszName, route, err)) << err;
        EXPECT_TRUE(std::filesystem::is_symlink(dir / pszName));
        ASSERT_TRUE(LoadPresetFile(dir / "sub/new.dia", loaded, err)) << err;
        EXPECT_EQ(loaded.GetName(), pszName);
    }

    EXPECT_FALSE(LoadPresetFile(dir / "missing.dia", loaded, err));
    EXPECT_NE(err.find("missing.dia"), std::string::npos);
}

// The whole-file loader the window and vardenctl share takes a file only when
// it is exactly one preset within the device's ranges: any change to a good
// file is either refused, with a reason and the preset left as it was, or
// loads a preset that saves back to exactly the bytes given.
TEST_F(ModelTest, LoaderTakesExactlyOnePresetOrNothing)
{
    Fill(route, 3);
    const std::vector<std::uint8_t> good = StorePresetBytes(route);
    std::mt19937 rng(20261209);
    int nTaken = 0;
    for (int i = 0; i < 3000; ++i) {
        std::vector<std::uint8_t> bytes = good;
        const std::size_t at = rng() % bytes.size();
        switch (rng() % 4) {
        case 0:
            bytes[at] = static_cast<std::uint8_t>(rng());
            break;
        case 1:
            bytes.resize(at);
            break;
        case 2:
            bytes.resize(bytes.size() + 1 + rng() % 8, static_cast<std::uint8_t>(rng()));
            break;
        default:
            bytes[at] = static_cast<std::uint8_t>(rng());
            bytes[(at + 1) % bytes.size()] = static_cast<std::uint8_t>(rng());
            break;
        }
        CTALVRoute target;
        Fill(target, 9);
        const std::vector<std::uint8_t> before = StorePresetBytes(target);
        std::string error;
        if (LoadPresetBytes(bytes, target, error) == PresetFault::None) {
            ++nTaken;
            // Older files' gate bytes and input levels are taken clamped.
            for (std::size_t rec = 0; rec < NUM_CHANNELS * CHANNEL_RECORD_SIZE; rec += CHANNEL_RECORD_SIZE) {
                bytes[rec + 22] = static_cast<std::uint8_t>(std::clamp<int>(bytes[rec + 22], 40, 70));
                bytes[rec + 23] = std::min<std::uint8_t>(bytes[rec + 23], 1);
            }
            if (bytes[NUM_CHANNELS * CHANNEL_RECORD_SIZE] != 0xFF) {  // a wide name saves back narrow
                EXPECT_EQ(StorePresetBytes(target), bytes) << i;
            }
        } else {
            EXPECT_FALSE(error.empty()) << i;
            EXPECT_EQ(StorePresetBytes(target), before) << i << ": " << error;
        }
    }
    EXPECT_GT(nTaken, 100) << "changes within range are still presets";
    EXPECT_LT(nTaken, 2500) << "most damage is found";
}
