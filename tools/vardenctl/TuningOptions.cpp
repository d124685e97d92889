#include "TuningOptions.h"

#include <charconv>
#include <cmath>
#include <iterator>

#include "BandCurve.h"
#include "PlotMapping.h"
#include "PresetIo.h"
#include "PresetName.h"
#include "TALVRoute.h"

bool ParseNumber(const std::string& s, double& d)
{
    const char* pBegin = s.data();
    const char* pEnd = s.data() + s.size();
    if (pBegin != pEnd && *pBegin == '+')
        ++pBegin;
    const auto [p, ec] = std::from_chars(pBegin, pEnd, d);
    return ec == std::errc() && p == pEnd && pBegin != pEnd && std::isfinite(d);
}

namespace {
std::string SmoothingChoices()
{
    std::string s;
    for (const int n : SMOOTHING_CHOICES)
        s += (s.empty() ? "" : ", ") + std::to_string(n);
    return s;
}

int ParseGainLimit(const CommandLine& cl, const char* pszOption, double& dLimit)
{
    if (!cl.Has(pszOption))
        return EXIT_OK;
    if (!ParseNumber(cl.Get(pszOption), dLimit) || dLimit < 0.0 || dLimit > GAIN_MAX_DB)
        return cl.Fail(EXIT_USAGE, std::string(pszOption) + " takes dB from 0 to 20, not '" + cl.Get(pszOption) + "'");
    return EXIT_OK;
}
}  // namespace

int ParseSmoothingOption(const CommandLine& cl, FitSettings& settings)
{
    if (cl.Has("--average")) {
        if (cl.Get("--average") != "db" && cl.Get("--average") != "power")
            return cl.Fail(EXIT_USAGE, "--average takes db or power, not '" + cl.Get("--average") + "'");
        settings.eAveraging = cl.Get("--average") == "power" ? Averaging::MeanPower : Averaging::MeanDb;
    }
    if (!cl.Has("--smooth"))
        return EXIT_OK;
    const auto n = ParseInt(cl.Get("--smooth"), 0, SMOOTHING_CHOICES[std::size(SMOOTHING_CHOICES) - 1]);
    if (!n || !IsSmoothingChoice(*n))
        return cl.Fail(EXIT_USAGE, "--smooth takes 1/N octave as N = " + SmoothingChoices() + " (0: none), not '" +
                                       cl.Get("--smooth") + "'");
    settings.nSmoothing = *n;
    return EXIT_OK;
}

int ParseRangeOption(const CommandLine& cl, double& dLowHz, double& dHighHz)
{
    if (!cl.Has("--range"))
        return EXIT_OK;
    const std::string s = cl.Get("--range");
    const auto dash = s.find('-', 1);
    double dLow = 0.0, dHigh = 0.0;
    if (dash == std::string::npos || !ParseNumber(s.substr(0, dash), dLow) || !ParseNumber(s.substr(dash + 1), dHigh) ||
        dLow < FREQ_MIN_HZ || dHigh > FREQ_MAX_HZ || dLow >= dHigh)
        return cl.Fail(EXIT_USAGE, "--range takes LO-HI in Hz, 20 <= LO < HI <= 20000, not '" + s + "'");
    dLowHz = dLow;
    dHighHz = dHigh;
    return EXIT_OK;
}

int ParseFitOptions(const CommandLine& cl, FitSettings& settings)
{
    if (cl.Has("--tilt") && cl.Has("--target"))
        return cl.Fail(EXIT_USAGE, "--tilt tilts the flat target; a target file brings its own shape");
    if (cl.Has("--tilt")) {
        double dTilt = 0.0;
        if (!ParseNumber(cl.Get("--tilt"), dTilt) || std::fabs(dTilt) > MAX_TILT_DB_PER_OCTAVE)
            return cl.Fail(EXIT_USAGE, "--tilt takes dB per octave from -6 to 6, not '" + cl.Get("--tilt") + "'");
        settings.target.eKind = TargetKind::Tilt;
        settings.target.dTiltDbPerOctave = dTilt;
    }
    if (const int nCode = ParseRangeOption(cl, settings.dLowHz, settings.dHighHz); nCode != EXIT_OK)
        return nCode;
    if (const int nCode = ParseGainLimit(cl, "--max-boost", settings.dMaxBoostDb); nCode != EXIT_OK)
        return nCode;
    if (const int nCode = ParseGainLimit(cl, "--max-cut", settings.dMaxCutDb); nCode != EXIT_OK)
        return nCode;
    if (const int nCode = ParseSmoothingOption(cl, settings); nCode != EXIT_OK)
        return nCode;
    if (cl.Has("--target")) {
        MeasurementData target;
        std::string error;
        if (!ReadMeasurementFile(cl.Get("--target"), target, error))
            return cl.Fail(EXIT_IO, error);
        settings.target.eKind = TargetKind::File;
        SetTargetFile(settings.target, target, cl.Get("--target"));
    }
    return EXIT_OK;
}

int LoadMeasurements(const CommandLine& cl, const double (&adSumAtLoad)[GRID_POINTS], CChannelMeasurement& measurement)
{
    std::vector<MeasurementPosition> positions;
    for (const std::string& strPath : cl.GetAll("--measurement")) {
        MeasurementData data;
        std::string error;
        if (!ReadMeasurementFile(strPath, data, error))
            return cl.Fail(EXIT_IO, error);
        for (const std::string& strNote : data.astrNote)
            cl.Note(strNote);
        positions.push_back({std::move(data), strPath});
    }
    std::string error;
    if (!measurement.Load(std::move(positions), adSumAtLoad, error))
        return cl.Fail(EXIT_IO, error);
    return EXIT_OK;
}

std::string MeasurementsName(const CommandLine& cl)
{
    return cl.GetAll("--measurement").size() == 1 ? cl.Get("--measurement") : std::string("the measurements");
}

int ReadPresetToTune(const CommandLine& cl, const std::string& strIn, const std::string& strOut, PresetData& data,
                     CTALVRoute& route)
{
    if (const int nCode = CheckOutput(cl, strOut))
        return nCode;
    std::string strError;
    if (const PresetFault fault = ReadPreset(strIn, data, strError); fault != PresetFault::None)
        return cl.Fail(ExitForPresetFault(fault), strError);
    LoadRouteFromPreset(data, route);
    return EXIT_OK;
}

int WriteTunedPreset(const CommandLine& cl, const std::string& strOut, const PresetData& data,
                     const std::string& strReport)
{
    std::string strError;
    if (!WritePreset(strOut, data, strError))
        return cl.Fail(EXIT_IO, strError);
    cl.out << strReport << "Wrote " << EscapeControls(strOut) << "\n";
    return EXIT_OK;
}
