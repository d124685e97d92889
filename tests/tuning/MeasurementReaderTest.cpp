// Reading measurement exports: the forms measurement programs write, and
// every way a file can be wrong, each refused with its line.
#include <gtest/gtest.h>

#include "MeasurementReader.h"

namespace {
MeasurementData Read(const std::string& text)
{
    MeasurementData data;
    std::string error;
    EXPECT_TRUE(ParseMeasurement(text, "m.txt", data, error)) << error << "\n" << text;
    return data;
}

std::string Refused(const std::string& text)
{
    MeasurementData data;
    data.adFreq = {1.0};  // must stay as it was
    std::string error;
    EXPECT_FALSE(ParseMeasurement(text, "m.txt", data, error)) << text;
    EXPECT_EQ(data.adFreq, std::vector<double>{1.0}) << text;
    EXPECT_EQ(error.rfind("m.txt: ", 0), 0u) << error;
    return error;
}
}  // namespace

TEST(MeasurementReader, TakesTheCommonExportsAndRefusesWhatIsWrongNamingTheLine)
{
    const std::vector<double> freq{20.0, 1000.0, 20000.0};
    const std::vector<double> level{80.5, 85.0, -3.25};
    const char* const forms[] = {
        // Comment markers, a header of words, extra columns.
        "* Measurement data\n* Freq(Hz) SPL(dB) Phase(degrees)\n20 80.5 -12.0\n1000 85 3\n20000 -3.25 0\n",
        "# comment\n// another\nFrequency,Magnitude,Phase\n20,80.5,1\n1000,85,2\n20000,-3.25,3\n",
        // Tabs, Windows line ends and a byte order mark; a date header.
        "\xEF\xBB\xBF"
        "2024-05-01 12:00 sweep\r\n20\t80.5\r\n1000\t85\r\n20000\t-3.25\r\n",
        // Decimal commas between semicolons; a commented-out row stays out.
        "; 500;99,0\nf;dB\n20;80,5\n1000;85\n2e4;-3,25;0,9\n",
        // Lone carriage returns, signs, exponents, blank lines, a trailing word.
        "  +20  80.5\r\r1e3 +85.0 coherence\r2.0E4 -3.25\rEND\r",
    };
    for (const char* pszText : forms) {
        const MeasurementData data = Read(pszText);
        EXPECT_EQ(data.adFreq, freq) << pszText;
        EXPECT_EQ(data.adLevel, level) << pszText;
    }

    EXPECT_EQ(Refused(""), "m.txt: no rows of frequency and level");
    EXPECT_EQ(Refused("* only a header\nfreq level\n"), "m.txt: no rows of frequency and level");
    EXPECT_EQ(Refused("* one\n100 80\n"),
              "m.txt: line 2: the only row of frequency and level; a response needs two or more");
    EXPECT_EQ(Refused("20 80\n30\n"), "m.txt: line 2: a row needs a frequency and a level");
    EXPECT_EQ(Refused("20 80\n30 loud\n"), "m.txt: line 2: level 'loud' is not a number");
    EXPECT_EQ(Refused("20 80\n30 nan\n"), "m.txt: line 2: level nan dB is not a level");
    EXPECT_EQ(Refused("20 80\n30 1e400\n"), "m.txt: line 2: level '1e400' is not a number");
    EXPECT_EQ(Refused("20 80\n30 -2000\n"), "m.txt: line 2: level -2000 dB is not a level");
    EXPECT_EQ(Refused("20 80\n0 80\n"), "m.txt: line 2: frequency 0 Hz is not above 0");
    EXPECT_EQ(Refused("-20 80\n30 80\n"), "m.txt: line 1: frequency -20 Hz is not above 0");
    EXPECT_EQ(Refused("20 80\n\n* gap\n20 81\n"), "m.txt: line 4: frequency 20 Hz does not rise above 20 Hz of line 1");
    EXPECT_EQ(Refused("20 80\n40 80\n30 80\n"), "m.txt: line 3: frequency 30 Hz does not rise above 40 Hz of line 2");
    EXPECT_EQ(Refused("20 80\n30 \x01\xFF\n"), "m.txt: line 2: level '\\x01\\xFF' is not a number");
}

// How numbers are written is decided from the whole file; other encodings
// and things that are no measurement are told apart from a wrong row.
TEST(MeasurementReader, ReadsNumbersAsTheWholeFileWritesThem)
{
    const auto utf16 = [](const std::string& ascii, bool bLittle) {
        std::string s = bLittle ? "\xFF\xFE" : "\xFE\xFF";
        for (const char c : ascii)
            s += bLittle ? std::string{c, '\0'} : std::string{'\0', c};
        return s;
    };
    const std::string plain = "20\t80.5\n1000\t85\n20000\t-3.25\n";
    const std::string forms[] = {
        "Frequency\tSPL\n20.00\t80.50\n1,000.00\t85.00\n20,000.00\t-3.25\n",  // thousands
        "20\t80,5\n1000\t85\n20000\t-3,25\n",                                 // decimal comma, tabs
        "20 80,50\n1000 85,00\n20000 -3,25\n",                                // and spaces
        "Freq;SPL\n20;80,500\n1000;85,000\n20000;-3,250\n",                   // three decimals
        "0\t61.2\n" + plain,                                                  // an FFT's 0 Hz bin
        utf16(plain, true),
        utf16("* made up\r\n" + plain, false),
    };
    for (const std::string& text : forms) {
        const MeasurementData data = Read(text);
        EXPECT_EQ(data.adFreq, (std::vector<double>{20.0, 1000.0, 20000.0})) << text;
        EXPECT_EQ(data.adLevel, (std::vector<double>{80.5, 85.0, -3.25})) << text;
    }
    EXPECT_EQ(Read(forms[4]).astrNote,
              std::vector<std::string>{"m.txt: line 1: the row at 0 Hz is left out (no level is measured at 0 Hz)"});

    EXPECT_EQ(Refused("20\t80\n1,000\t85\n20,000\t-3\n"),
              "m.txt: line 2: '1,000' may be a thousand or one with a decimal comma, and no number of the file "
              "tells which; export it with a decimal point, or with a decimal part on some number");
    EXPECT_EQ(Refused("20,5\t80.5\n1000\t85\n"),
              "m.txt: line 1: '20,5' has a decimal comma, line 1: '80.5' a decimal point; export the file with "
              "one way of writing numbers");
    EXPECT_EQ(Refused("20\t80\n1,000.5\t85\n2,00,000\t80\n"),
              "m.txt: line 3: frequency '2,00,000' is not a number as this file writes numbers (thousands as on "
              "line 2: '1,000.5')");
    EXPECT_EQ(Refused("Filter Settings file\n\nFilter  1: ON  PK  Fc 50.0 Hz  Gain -5.0 dB  Q 4.00\n"),
              "m.txt: line 1: a list of filters, not a measurement");
    EXPECT_EQ(Refused("Number,Enabled,Type,Frequency,Gain,Q\n1,True,PK,50,-5.0,4.0\n"),
              "m.txt: line 2: a list of filters, not a measurement");
    EXPECT_EQ(Refused(utf16(plain, true) + "x"), "m.txt: UTF-16 text that ends within a character");
    EXPECT_EQ(Refused(utf16(plain, true).substr(2)),
              "m.txt: UTF-16 text without a byte-order mark; save it as UTF-8, or as UTF-16 with the mark");
}
