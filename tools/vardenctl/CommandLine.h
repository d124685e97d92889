// What a vardenctl command is given: its positional arguments and options,
// already checked against the command's synopsis, and where to write.
#pragma once

#include <map>
#include <optional>
#include <ostream>
#include <string>
#include <vector>

inline constexpr int EXIT_OK = 0;
inline constexpr int EXIT_IO = 1;             // a file or the device failed
inline constexpr int EXIT_USAGE = 2;          // the command line was wrong
inline constexpr int EXIT_INTERRUPTED = 130;  // stopped by the user (128 + SIGINT, as shells report it)

struct CommandLine {
    std::string strCommand;
    std::vector<std::string> args;
    std::map<std::string, std::string> options;                // "--port" -> "ttyUSB0"; flags map to ""
    std::map<std::string, std::vector<std::string>> repeated;  // every value of each option, in order
    std::ostream& out;
    std::ostream& err;

    bool Has(const std::string& opt) const { return options.count(opt) != 0; }
    std::string Get(const std::string& opt) const;  // the first value
    std::vector<std::string> GetAll(const std::string& opt) const;
    // Prints "vardenctl CMD: text" to err and returns the code, for one-line failures.
    int Fail(int nCode, const std::string& text) const;
    // Prints "vardenctl CMD: text" to err, for a note that fails nothing.
    void Note(const std::string& text) const;
};

// Parses a whole number in [nMin, nMax]; nothing else (no sign junk, no trailing text).
std::optional<int> ParseInt(const std::string& s, int nMin, int nMax);

// A preset file the command is to write, checked before it does anything
// else: .dia or .json, and a place where it can be written (what is there is
// a regular file). EXIT_OK, or the exit status having said what is wrong.
int CheckOutput(const CommandLine& cl, const std::string& strPath);

int RunShow(const CommandLine& cl);
int RunConvert(const CommandLine& cl);
int RunFrames(const CommandLine& cl);
int RunDemo(const CommandLine& cl);
int RunCurve(const CommandLine& cl);
int RunFit(const CommandLine& cl);
int RunAlign(const CommandLine& cl);
int RunPorts(const CommandLine& cl);
int RunSim(const CommandLine& cl);
int RunNames(const CommandLine& cl);
int RunRead(const CommandLine& cl);
int RunWrite(const CommandLine& cl);
int RunBackup(const CommandLine& cl);
int RunRestore(const CommandLine& cl);
int RunVerify(const CommandLine& cl);
int RunDiff(const CommandLine& cl);
int RunAudio(const CommandLine& cl);
int RunMeasure(const CommandLine& cl);
