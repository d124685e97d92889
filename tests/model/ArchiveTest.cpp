#include <gtest/gtest.h>

#include "Archive.h"

namespace {
std::vector<std::uint8_t> Store(const std::string& s)
{
    std::vector<std::uint8_t> out;
    CArchive ar(out);
    ar << s;
    return out;
}

std::string Load(const std::vector<std::uint8_t>& bytes)
{
    CArchive ar(bytes.data(), bytes.size());
    std::string s;
    ar >> s;
    EXPECT_EQ(ar.GetPosition(), bytes.size());
    return s;
}
}  // namespace

TEST(Archive, StringLengthFormsAtTheirBoundaries)
{
    struct Case {
        std::size_t n;
        std::vector<std::uint8_t> header;
    };
    const Case cases[] = {
        {0, {0x00}},
        {254, {0xFE}},
        {255, {0xFF, 0xFF, 0x00}},
        {300, {0xFF, 0x2C, 0x01}},
        {65533, {0xFF, 0xFD, 0xFF}},
        {65534, {0xFF, 0xFF, 0xFF, 0xFE, 0xFF, 0x00, 0x00}},
        {70000, {0xFF, 0xFF, 0xFF, 0x70, 0x11, 0x01, 0x00}},
    };
    for (const Case& c : cases) {
        std::string s(c.n, 'x');
        if (c.n)
            s.back() = 'y';
        const auto bytes = Store(s);
        ASSERT_EQ(bytes.size(), c.header.size() + c.n) << c.n;
        EXPECT_TRUE(std::equal(c.header.begin(), c.header.end(), bytes.begin())) << c.n;
        EXPECT_EQ(Load(bytes), s) << c.n;
    }
}

TEST(Archive, ReadsTheSixteenBitCharacterForm)
{
    // FF FE FF, then a length of 3 units and three little-endian characters;
    // the one outside Latin-1 has no 8-bit code and becomes '?'.
    const std::vector<std::uint8_t> wide = {0xFF, 0xFE, 0xFF, 0x03, 'A', 0x00, 0xE9, 0x00, 0x3A, 0x04};
    EXPECT_EQ(Load(wide), std::string("A\xE9?"));

    // The length after the mark may use the longer forms too.
    std::vector<std::uint8_t> longer = {0xFF, 0xFE, 0xFF, 0xFF, 0x2C, 0x01};
    for (int i = 0; i < 300; ++i) {
        longer.push_back('z');
        longer.push_back(0);
    }
    EXPECT_EQ(Load(longer), std::string(300, 'z'));
}

TEST(Archive, EndOfFileThrowsWithTheUsersTextAndLeavesTheTargetAlone)
{
    const std::vector<std::uint8_t> bytes = {0x01, 0x02, 0x03};
    CArchive ar(bytes.data(), bytes.size());
    std::int16_t w = 0;
    ar >> w;
    EXPECT_EQ(w, 0x0201);
    std::int32_t n = 77;
    try {
        ar >> n;
        FAIL() << "no end-of-file error";
    } catch (const CArchiveException& e) {
        EXPECT_EQ(e.m_cause, CArchiveException::endOfFile);
        EXPECT_STREQ(e.what(), "An attempt was made to access an unnamed file past its end.");
    }
    EXPECT_EQ(n, 77);
}

TEST(Archive, CorruptStringHeadersFailWithoutHugeAllocations)
{
    std::string s = "kept";
    // A 32-bit length of four billion with three bytes behind it.
    const std::vector<std::uint8_t> huge = {0xFF, 0xFF, 0xFF, 0xFF, 0xFF, 0xFF, 0xFF, 'a', 'b', 'c'};
    CArchive a1(huge.data(), huge.size());
    EXPECT_THROW(a1 >> s, CArchiveException);
    EXPECT_EQ(s, "kept");

    // The wide mark twice is no length at all.
    const std::vector<std::uint8_t> twice = {0xFF, 0xFE, 0xFF, 0xFF, 0xFE, 0xFF, 0x01, 'a', 0};
    CArchive a2(twice.data(), twice.size());
    try {
        a2 >> s;
        FAIL();
    } catch (const CArchiveException& e) {
        EXPECT_EQ(e.m_cause, CArchiveException::badFormat);
    }
    EXPECT_EQ(s, "kept");

    // Every cut of a valid long string fails cleanly.
    const auto bytes = Store(std::string(300, 'q'));
    for (std::size_t n = 0; n < bytes.size(); ++n) {
        CArchive ar(bytes.data(), n);
        EXPECT_THROW(ar >> s, CArchiveException) << n;
    }
    EXPECT_EQ(s, "kept");
}
