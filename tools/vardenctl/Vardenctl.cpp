#include "Vardenctl.h"

#include <charconv>
#include <cstring>

#include "ChannelMeasurement.h"
#include "DeviceRunner.h"
#include "FdOutBuf.h"
#include "PresetName.h"

namespace {
// --measurement, once per microphone position.
constexpr auto MEASUREMENT_POSITIONS = static_cast<std::size_t>(MAX_MEASUREMENT_POSITIONS);
// align's --measurement, once per channel of the device.
constexpr std::size_t ALIGN_CHANNELS = 4;
// Devices one device command may work on at once.
constexpr std::size_t MAX_DEVICES = 64;

struct OptionSpec {
    const char* name;
    bool bValue;  // takes a value
    bool bRequired;
    std::size_t nMaxTimes = 1;  // how often it may be given
};

struct Command {
    const char* name;
    const char* synopsis;
    const char* help;
    std::size_t nArgs;  // positional arguments it takes
    std::vector<OptionSpec> options;
    int (*run)(const CommandLine&);
};

const std::vector<Command>& Commands()
{
    static const std::vector<Command> commands = {
        {"show",
         "show FILE",
         "Prints the preset in FILE (.dia or .json) in the units the window uses:\n"
         "dB, Hz, ms, Q, dBu, the filter alignments and slopes, on/off.",
         1,
         {},
         RunShow},
        {"convert",
         "convert IN OUT",
         "Converts a preset between .dia and .json, chosen by the extensions.\n"
         "Every stored field is kept, so .dia -> .json -> .dia gives the same bytes.\n"
         "Nothing is written when IN cannot be read or holds an invalid value.",
         2,
         {},
         RunConvert},
        {"frames",
         "frames FILE",
         "Prints what the program sends for the preset in FILE: for channels 0..3 the\n"
         "31 band frames, the crossover frame and the channel frame, then the four\n"
         "block writes for slot 0. One frame per line in hexadecimal.",
         1,
         {},
         RunFrames},
        {"demo",
         "demo OUT",
         "Writes the virtual processor's factory live preset (a two-way crossover)\n"
         "to OUT (.dia or .json).",
         1,
         {},
         RunDemo},
        {"curve",
         "curve FILE --channel K [--elements] [--measurement FILE ... [--average db|power] [--smooth N] "
         "[--measured-with PRESET]]",
         "Prints what the response graph shows for channel K (1..4) of the preset in\n"
         "FILE (.dia or .json): for each of the 241 points of the frequency grid one\n"
         "line 'frequency,level', the level in dB of all the channel's filters together.\n"
         "  --elements       add one column per filter: bands 1..31, high-pass, low-pass\n"
         "  --measurement M  add two columns: the measurement in M (a text export of a\n"
         "                   measurement program) smoothed onto the grid, and the response\n"
         "                   predicted for the channel as FILE holds it; a point outside\n"
         "                   the measured span is left empty; given up to 16 times (one\n"
         "                   microphone position each), the average, and two more columns:\n"
         "                   the lowest and highest position\n"
         "  --average A      average positions as the mean in dB (db, the default) or of\n"
         "                   power (power)\n"
         "  --smooth N       smooth over 1/N octave: 0 (none), 3, 6 (the default), 12, 24, 48\n"
         "  --measured-with PRESET\n"
         "                   M was measured with the channel as PRESET holds it (by default\n"
         "                   as FILE holds it, and the prediction is the measurement)",
         1,
         {{"--channel", true, true},
          {"--elements", false, false},
          {"--measurement", true, false, MEASUREMENT_POSITIONS},
          {"--average", true, false},
          {"--smooth", true, false},
          {"--measured-with", true, false}},
         RunCurve},
        {"fit",
         "fit IN --channel K --measurement FILE ... [--average db|power] [--target FILE] [--tilt DB] "
         "[--range LO-HI] [--max-boost DB] [--max-cut DB] [--smooth N] OUT",
         "Fits the 31 band gains of channel K (1..4) of the preset IN (.dia or .json) to\n"
         "a target, given FILE: the channel measured as IN holds it (a text export of a\n"
         "measurement program: frequency in Hz, level in dB), or up to 16 FILEs, one per\n"
         "microphone position, averaged. The bands keep their frequencies and Q; a band\n"
         "bypassed with a gain, or centred more than an octave outside the range, is left\n"
         "as it is. The bands together stay within the boost and cut at every frequency,\n"
         "no higher outside the range than they were (1 dB of room), and boost no more\n"
         "than the response, smoothed over 1/3 octave, lies below the target (plus 1 dB).\n"
         "Writes OUT (.dia or .json) with those gains and every other field as IN has it,\n"
         "and prints the RMS error before and after, the largest boost and cut, and the\n"
         "band gains. With nothing to fit it says so, writes nothing and exits 1.\n"
         "  --average A      average positions as the mean in dB (db, the default) or of\n"
         "                   power (power)\n"
         "  --target FILE    the response to aim at (same format); by default flat\n"
         "  --tilt DB        a flat target tilted by DB per octave about 1 kHz (-6..6)\n"
         "  --range LO-HI    the frequencies to fit, in Hz; by default the channel's\n"
         "                   high-pass to low-pass corner, clipped to the measured span\n"
         "  --max-boost DB   the most the bands may boost, alone or together, 0..20\n"
         "                   (default 6)\n"
         "  --max-cut DB     the most the bands may cut, alone or together, 0..20\n"
         "                   (default 12)\n"
         "  --smooth N       smooth the measurement over 1/N octave: 0 (none), 3, 6 (the\n"
         "                   default), 12, 24, 48\n"
         "The target is placed at the measurement's mean level over the range.",
         2,
         {{"--channel", true, true},
          {"--measurement", true, true, MEASUREMENT_POSITIONS},
          {"--average", true, false},
          {"--target", true, false},
          {"--tilt", true, false},
          {"--range", true, false},
          {"--max-boost", true, false},
          {"--max-cut", true, false},
          {"--smooth", true, false}},
         RunFit},
        {"align",
         "align IN --measurement K=FILE --measurement J=FILE [...] [--range LO-HI] [--crossover] [--links LIST] "
         "OUT",
         "Aligns two to four channels that play together (a woofer and a tweeter, a\n"
         "subwoofer and a satellite): chooses each channel's delay (0..960 samples),\n"
         "polarity and gain (within 6 dB of what it was) so that the sum of their\n"
         "responses is as flat as it can be, as the rms of its level about its mean.\n"
         "Each FILE is channel K (1..4) measured alone, at the same microphone position\n"
         "with the same timing reference, as IN holds it: a text export with phase\n"
         "(frequency in Hz, level in dB, phase in degrees). Writes OUT (.dia or .json)\n"
         "with those fields changed and every other as IN has it, and prints each\n"
         "channel's setting and the flatness before and after.\n"
         "  --measurement K=FILE  channel K and its measurement; two to four of them\n"
         "  --range LO-HI    the frequencies to judge, in Hz; by default the octave about\n"
         "                   each crossover between the channels, as IN's filters set it\n"
         "                   (channels without a crossover between them need it)\n"
         "  --crossover      may also move each high- and low-pass between the channels\n"
         "                   within half an octave of IN's and choose its alignment and slope\n"
         "  --links LIST     the window's Linking groups, channel by channel (1,1,3,4:\n"
         "                   channels 1 and 2 linked); a group aligns as one, as in the\n"
         "                   window: its first measured channel stands for it, and what\n"
         "                   is set on it goes to the others (a preset file holds no links)\n"
         "A setting changes only where it makes the sum 0.05 dB flatter or more; among\n"
         "near-equal settings the one closest to IN's is chosen; no gain is raised.",
         2,
         {{"--measurement", true, true, ALIGN_CHANNELS},
          {"--range", true, false},
          {"--crossover", false, false},
          {"--links", true, false}},
         RunAlign},
        {"ports",
         "ports",
         "Lists the serial ports of this machine: name, whether it is a USB adapter,\n"
         "and its description. The name is what --port takes.",
         0,
         {},
         RunPorts},
        {"sim",
         "sim [--fast] [--fault MODE] [--state FILE] [--audio [--room FOLDER] [--noise DBFS] [--stalls N]]",
         "Starts the virtual processor on a pseudo-terminal, prints the port path to\n"
         "open, and serves until interrupted (Ctrl-C, SIGTERM or SIGHUP), or until the\n"
         "hangup fault has taken the port away.\n"
         "  --fast        answer at once instead of at the pace of a 9600-baud line\n"
         "  --fault MODE  misbehave: none, silent, bad-trailer, garbage, split, late, hangup\n"
         "  --state FILE  resume the presets and names kept in FILE, and save them\n"
         "                there when ending\n"
         "  --audio       also be heard: a PipeWire sink varden-sim-in (FL FR) and a\n"
         "                source varden-sim-out (AUX0..AUX3 = channels 1..4; 1 and 3\n"
         "                from the left input, 2 and 4 from the right)\n"
         "  --room FOLDER with --audio: loudspeakers in a room, ch1.wav..ch4.wav (48 kHz\n"
         "                mono impulse responses up to 2 s) at a microphone; a source\n"
         "                varden-sim-mic carries the microphone and the left input\n"
         "  --noise DBFS  white noise at the microphone, at this RMS level\n"
         "  --stalls N    with --audio: stall for three cycles a little into each of\n"
         "                the first N sounds heard, as a machine too busy to keep up",
         0,
         {{"--fast", false, false},
          {"--fault", true, false},
          {"--state", true, false},
          {"--audio", false, false},
          {"--room", true, false},
          {"--noise", true, false},
          {"--stalls", true, false}},
         RunSim},
        {"names",
         "names {--port PORT | --device NAME | --all}...",
         "Prints the names of the device's six preset slots; slot 0 is the live preset.",
         0,
         {{"--port", true, false, MAX_DEVICES}, {"--device", true, false, MAX_DEVICES}, {"--all", false, false}},
         [](const CommandLine& cl) { return RunOnDevices(cl, RunNames, DeviceArgs::Same); }},
        {"read",
         "read {--port PORT | --device NAME | --all}... --slot N OUT",
         "Reads preset slot N (0 = live, 1..5 stored) with its name and writes it to\n"
         "OUT (.dia or .json). Nothing is stored on the device.",
         1,
         {{"--port", true, false, MAX_DEVICES},
          {"--device", true, false, MAX_DEVICES},
          {"--all", false, false},
          {"--slot", true, true}},
         [](const CommandLine& cl) { return RunOnDevices(cl, RunRead, DeviceArgs::FileEach); }},
        {"write",
         "write {--port PORT | --device NAME | --all}... --slot N IN [--name NAME] [--verify]",
         "Connects and writes the preset in IN (.dia or .json) to slot N (0..5) under\n"
         "NAME, or the file's own name: at most eight printable Windows-1252 characters\n"
         "(a file holding a longer name needs --name).\n"
         "Succeeds only once the device has acknowledged every frame. A first Ctrl-C,\n"
         "SIGTERM or SIGHUP lets the transfer finish and skips --verify; a second\n"
         "stops it at once (exit 130).\n"
         "  --verify  read the slot and its name back afterwards and compare every field\n"
         "            the device stores; each difference is listed and the exit status is 1",
         1,
         {{"--port", true, false, MAX_DEVICES},
          {"--device", true, false, MAX_DEVICES},
          {"--all", false, false},
          {"--slot", true, true},
          {"--name", true, false},
          {"--verify", false, false}},
         [](const CommandLine& cl) { return RunOnDevices(cl, RunWrite, DeviceArgs::Same); }},
        {"backup",
         "backup {--port PORT | --device NAME | --all}... DIR [--force]",
         "Reads the six slot names and all six slots (0 = live, 1..5 stored) into the\n"
         "folder DIR: one .dia per slot, named by slot and name (slot3-CLUB.dia), and\n"
         "index.json listing the slots, names and files. DIR is created when missing.\n"
         "Nothing is written until every slot has been read, and an earlier backup in\n"
         "DIR is replaced only once the new one is whole beside it.\n"
         "  --force  write into DIR even when it is not empty (an earlier backup there\n"
         "           is replaced)",
         1,
         {{"--port", true, false, MAX_DEVICES},
          {"--device", true, false, MAX_DEVICES},
          {"--all", false, false},
          {"--force", false, false}},
         [](const CommandLine& cl) { return RunOnDevices(cl, RunBackup, DeviceArgs::FolderEach); }},
        {"restore",
         "restore {--port PORT | --device NAME | --all}... DIR [--slots LIST]",
         "Writes the slots of the backup in DIR back to the device with their names,\n"
         "then reads each one back and compares it; succeeds only when every slot\n"
         "reads back equal. The backup is checked whole before the device is touched.\n"
         "  --slots LIST  the slots to restore, as a range or list: 1-5 (the default),\n"
         "                0-5, 0, 2,4. The live slot 0 is restored only when listed.\n"
         "A first Ctrl-C, SIGTERM or SIGHUP lets the slot being written finish and\n"
         "stops before the next; a second stops at once (exit 130).",
         1,
         {{"--port", true, false, MAX_DEVICES},
          {"--device", true, false, MAX_DEVICES},
          {"--all", false, false},
          {"--slots", true, false}},
         [](const CommandLine& cl) { return RunOnDevices(cl, RunRestore, DeviceArgs::FolderOrSame); }},
        {"verify",
         "verify {--port PORT | --device NAME | --all}... DIR [--slots LIST]",
         "Reads the slots of the device and compares each, with its name, with the\n"
         "backup in DIR; writes nothing, to the device or the disk. Each slot that\n"
         "differs is listed field by field (backup -> device); succeeds only when\n"
         "every slot asked for is equal.\n"
         "  --slots LIST  the slots to compare, as restore takes them: 1-5 (the\n"
         "                default), 0-5, 0, 2,4.",
         1,
         {{"--port", true, false, MAX_DEVICES},
          {"--device", true, false, MAX_DEVICES},
          {"--all", false, false},
          {"--slots", true, false}},
         [](const CommandLine& cl) { return RunOnDevices(cl, RunVerify, DeviceArgs::FolderOrSame); }},
        {"audio",
         "audio",
         "Lists the sound server's (PipeWire's) sinks and sources: the name measure's\n"
         "--output, --input and --reference take, whether it plays or records, its\n"
         "channels and rate, and its description.",
         0,
         {},
         RunAudio},
        {"measure",
         "measure --port PORT --channel K --output SINK --input SOURCE[:N] [--reference SOURCE:N] [--level DBFS] "
         "[--sweep SECONDS] [--repeat N] [--calibration FILE] [--ir FILE.wav] OUT",
         "Measures channel K (1..4) of the device through a sound card: reads the live\n"
         "setting, switches every other channel's output off over the link, plays a\n"
         "logarithmic sweep (10 Hz to 24 kHz, faded in and out) into SINK, records the\n"
         "microphone on channel N of SOURCE (1 by default), then puts back exactly what\n"
         "the device held, also after an error or an interrupt, and reads it back to\n"
         "check it. Writes OUT, a text export (a header with the date, channel, preset,\n"
         "sound devices, level, signal-to-noise and arrival time; then frequency, dB and\n"
         "phase in degrees on a 1/48-octave grid) that fit, align and curve read.\n"
         "Refused, writing nothing, when the input clips (peak at -1 dBFS or above) or\n"
         "the signal-to-noise is below 20 dB, when the sweep came back later than the\n"
         "recording lasted, or when the loopback is not the sweep as played (a gap).\n"
         "A sweep during which the sound server skipped a cycle is taken again, up to\n"
         "twice. Ctrl-C stops the sweep, puts the device back and exits 130 without\n"
         "writing OUT.\n"
         "  --output SINK     where the device's input is connected; SINK:N plays into\n"
         "                    channel N only, else into all\n"
         "  --reference SOURCE:N\n"
         "                    a loopback cable from the sound card's output to its input\n"
         "                    N: phase and arrival time are then exact and comparable\n"
         "                    between channels and runs; without one the arrival time\n"
         "                    holds only within one run and may be off by the sound\n"
         "                    server's latency\n"
         "  --level DBFS      the sweep's level, -120 to -3 (default -20)\n"
         "  --sweep SECONDS   the sweep's length, 0.25 to 60 (default 2)\n"
         "  --repeat N        sweeps averaged, 1 to 16 (default 1)\n"
         "  --calibration FILE\n"
         "                    the microphone's calibration (frequency and dB, perhaps\n"
         "                    phase, perhaps a first line \"Sens Factor =...\"), taken out\n"
         "  --ir FILE.wav     also save the impulse response as 32-bit float WAV\n"
         "'vardenctl audio' lists the sinks and sources.",
         1,
         {{"--port", true, true},
          {"--channel", true, true},
          {"--output", true, true},
          {"--input", true, true},
          {"--reference", true, false},
          {"--level", true, false},
          {"--sweep", true, false},
          {"--repeat", true, false},
          {"--calibration", true, false},
          {"--ir", true, false}},
         RunMeasure},
        {"diff",
         "diff A B",
         "Compares two presets (.dia or .json) and prints each field that differs, one\n"
         "per line in the units 'show' uses: 'channel 2 band 5 gain: 3.0 dB -> -1.5 dB'.\n"
         "Exit status as diff's: 0 equal, 1 different, 2 trouble (a file unreadable).",
         2,
         {},
         RunDiff},
    };
    return commands;
}

void PrintUsage(std::ostream& out)
{
    out << "usage: vardenctl COMMAND [ARGS]\n\n"
           "Control the four-channel audio processor and inspect its presets.\n\n"
           "Commands:\n";
    for (const Command& c : Commands())
        out << "  vardenctl " << c.synopsis << "\n";
    out << "\nThe device commands stop on Ctrl-C, SIGTERM or SIGHUP after the slot in\n"
           "progress; a second interrupt stops them at once.\n"
           "PORT is a serial port (ttyUSB0, /dev/pts/3) or a device server's port\n"
           "(tcp://HOST:PORT, rfc2217://HOST:PORT). Given several devices (--port again,\n"
           "--device NAME from ~/.config/varden/devices, --all of them) a command works\n"
           "on all at once: its lines come prefixed by the port, then one result line per\n"
           "device; exit 0 only when every device succeeded. backup writes DIR/<port>\n"
           "per device, read OUT-<port>.dia; restore and verify take DIR/<port> where\n"
           "there is one.\n";
    out << "\n'vardenctl COMMAND --help' describes a command; 'vardenctl --version' tells\n"
           "the version. Options take their value as '--port P' or '--port=P'; '--' ends\n"
           "the options, so the words after it are files even when they start with '-'.\n"
           "Exit status: 0 success, 1 a file or the device failed, 2 a usage error (or a\n"
           "preset name the device cannot keep), 130 stopped by the user.\n";
}

bool IsHelp(const std::string& s)
{
    return s == "--help" || s == "-h";
}

int UsageError(const Command& c, std::ostream& err, const std::string& text)
{
    err << "vardenctl " << c.name << ": " << EscapeControls(text) << "\nusage: vardenctl " << c.synopsis << "\n";
    return EXIT_USAGE;
}

int RunCommand(const Command& c, const std::vector<std::string>& words, std::ostream& out, std::ostream& err)
{
    for (const std::string& s : words) {
        if (s == "--")
            break;
        if (IsHelp(s)) {
            out << "usage: vardenctl " << c.synopsis << "\n\n" << c.help << "\n";
            return EXIT_OK;
        }
    }
    CommandLine cl{c.name, {}, {}, {}, out, err};
    bool bOptionsEnded = false;
    for (std::size_t i = 0; i < words.size(); ++i) {
        const std::string& word = words[i];
        // After "--" every word is an argument, so a file may start with '-'.
        if (!bOptionsEnded && word == "--") {
            bOptionsEnded = true;
            continue;
        }
        if (bOptionsEnded || word.size() < 2 || word[0] != '-') {
            cl.args.push_back(word);
            continue;
        }
        // --option value and --option=value alike.
        const std::size_t eq = word.rfind("--", 0) == 0 ? word.find('=') : std::string::npos;
        const std::string w = word.substr(0, eq);
        const OptionSpec* pOption = nullptr;
        for (const OptionSpec& o : c.options)
            if (w == o.name)
                pOption = &o;
        if (!pOption)
            return UsageError(c, err, "unknown option " + w);
        const std::size_t nTimes = cl.Has(w) ? cl.GetAll(w).size() : 0;
        if (nTimes >= pOption->nMaxTimes)
            return UsageError(c, err,
                              pOption->nMaxTimes == 1
                                  ? w + " given twice"
                                  : w + " given more than " + std::to_string(pOption->nMaxTimes) + " times");
        if (!pOption->bValue) {
            if (eq != std::string::npos)
                return UsageError(c, err, w + " takes no value");
            cl.options[w] = "";
            continue;
        }
        std::string value;
        if (eq != std::string::npos)
            value = word.substr(eq + 1);
        else if (i + 1 < words.size())
            value = words[++i];
        else
            return UsageError(c, err, w + " needs a value");
        if (value.empty())
            return UsageError(c, err, w + " needs a value, not an empty one");
        if (!cl.Has(w))
            cl.options[w] = value;
        cl.repeated[w].push_back(value);
    }
    for (const OptionSpec& o : c.options)
        if (o.bRequired && !cl.Has(o.name))
            return UsageError(c, err, std::string(o.name) + " is required");
    if (cl.args.size() != c.nArgs)
        return UsageError(c, err,
                          "expected " + std::to_string(c.nArgs) + " argument" + (c.nArgs == 1 ? "" : "s") + ", got " +
                              std::to_string(cl.args.size()));
    return c.run(cl);
}
}  // namespace

std::vector<std::string> CommandLine::GetAll(const std::string& opt) const
{
    const auto it = repeated.find(opt);
    return it == repeated.end() ? std::vector<std::string>() : it->second;
}

std::string CommandLine::Get(const std::string& opt) const
{
    const auto it = options.find(opt);
    return it == options.end() ? std::string() : it->second;
}

int CommandLine::Fail(int nCode, const std::string& text) const
{
    Note(text);
    return nCode;
}

void CommandLine::Note(const std::string& text) const
{
    err << "vardenctl " << strCommand << ": " << EscapeControls(text) << "\n";
}

std::optional<int> ParseInt(const std::string& s, int nMin, int nMax)
{
    int v = 0;
    const auto [p, ec] = std::from_chars(s.data(), s.data() + s.size(), v);
    if (ec != std::errc() || p != s.data() + s.size() || s.empty() || v < nMin || v > nMax)
        return std::nullopt;
    return v;
}

namespace {
int Dispatch(const std::vector<std::string>& args, std::ostream& out, std::ostream& err)
{
    if (args.empty()) {
        PrintUsage(err);
        return EXIT_USAGE;
    }
    if (IsHelp(args[0]) || args[0] == "help") {
        PrintUsage(out);
        return EXIT_OK;
    }
    if (args[0] == "--version") {
        out << "vardenctl " << VARDEN_VERSION << "\n";
        return EXIT_OK;
    }
    for (const Command& c : Commands())
        if (args[0] == c.name)
            return RunCommand(c, std::vector<std::string>(args.begin() + 1, args.end()), out, err);
    err << "vardenctl: unknown command '" << args[0] << "'\n";
    PrintUsage(err);
    return EXIT_USAGE;
}

// Output that did not reach its place (a full disk, a closed pipe) makes the
// run a failure, whatever the command did besides.
int CloseOutput(const std::vector<std::string>& args, std::ostream& out, std::ostream& err, int nCode)
{
    if (out.flush())
        return nCode;
    std::string who = "vardenctl";
    for (const Command& c : Commands())
        if (!args.empty() && args[0] == c.name)
            who += std::string(" ") + c.name;
    const auto* pBuf = dynamic_cast<const CFdOutBuf*>(out.rdbuf());
    const int nError = pBuf ? pBuf->GetError() : 0;
    err << who << ": write error" << (nError != 0 ? std::string(": ") + std::strerror(nError) : std::string()) << "\n";
    return nCode == EXIT_OK ? EXIT_IO : nCode;
}
}  // namespace

int RunVardenctl(const std::vector<std::string>& args, std::ostream& out, std::ostream& err)
{
    return CloseOutput(args, out, err, Dispatch(args, out, err));
}
