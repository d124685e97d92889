#include "MicCalibration.h"

#include <algorithm>
#include <charconv>
#include <cmath>

#include "MeasurementPhase.h"
#include "MeasurementReader.h"
#include "MeasurementText.h"

namespace {
constexpr std::string_view SENSITIVITY = "sens factor";

char Lower(char c)
{
    return c >= 'A' && c <= 'Z' ? static_cast<char>(c - 'A' + 'a') : c;
}

std::string_view FirstLine(std::string_view text)
{
    const std::size_t nEnd = text.find_first_of("\r\n");
    return nEnd == std::string_view::npos ? text : text.substr(0, nEnd);
}

// "Sens Factor =-1.2dB, ..." with or without quotes around it: true when the
// line is one, with its number in d, or the reason in strWhy.
bool IsSensitivityLine(std::string_view line, double& d, std::string& strWhy)
{
    while (!line.empty() && (line.front() == '"' || line.front() == ' ' || line.front() == '\t'))
        line.remove_prefix(1);
    if (line.size() < SENSITIVITY.size())
        return false;
    for (std::size_t i = 0; i < SENSITIVITY.size(); ++i)
        if (Lower(line[i]) != SENSITIVITY[i])
            return false;
    std::string_view rest = line.substr(SENSITIVITY.size());
    while (!rest.empty() && (rest.front() == ' ' || rest.front() == '='))
        rest.remove_prefix(1);
    const auto [pEnd, err] = std::from_chars(rest.data(), rest.data() + rest.size(), d);
    if (err != std::errc() || !std::isfinite(d) || std::fabs(d) > MEASUREMENT_MAX_LEVEL_DB) {
        const std::string_view field = rest.substr(0, std::min<std::size_t>(rest.find_first_of(" ,\""), 24));
        strWhy = "line 1: Sens Factor '" + std::string(field) + "' is not a number of dB";
    }
    return true;
}

// The row segment holding log2(f), held at the ends: index and share of the
// way to the next row.
void Locate(const std::vector<double>& adLog, double x, std::size_t& k, double& dShare)
{
    if (x <= adLog.front()) {
        k = 0;
        dShare = 0.0;
        return;
    }
    if (x >= adLog.back()) {
        k = adLog.size() - 2;
        dShare = 1.0;
        return;
    }
    k = static_cast<std::size_t>(std::upper_bound(adLog.begin(), adLog.end(), x) - adLog.begin()) - 1;
    dShare = (x - adLog[k]) / (adLog[k + 1] - adLog[k]);
}
}  // namespace

bool ParseMicCalibration(std::string_view bytes, const std::string& strName, MicCalibration& out, std::string& strError)
{
    std::string strText, strWhy;
    if (!DecodeMeasurementText(bytes, strText, strWhy)) {
        strError = strName + ": " + strWhy;
        return false;
    }
    MicCalibration calibration;
    calibration.bSensitivity = IsSensitivityLine(FirstLine(strText), calibration.dSensitivityDb, strWhy);
    if (!strWhy.empty()) {
        strError = strName + ": " + strWhy;
        return false;
    }
    if (!ParseMeasurement(strText, strName, calibration.rows, strError))
        return false;
    out = std::move(calibration);
    return true;
}

void ApplyMicCalibration(const MicCalibration& calibration, MeasuredResponse& response)
{
    const MeasurementData& rows = calibration.rows;
    if (rows.adFreq.size() < 2)
        return;  // none read
    std::vector<double> adLog;
    for (const double f : rows.adFreq)
        adLog.push_back(std::log2(f));
    const std::vector<double> adPhase = rows.HasPhase() ? UnwrapDegrees(rows.adPhase) : std::vector<double>{};
    for (std::size_t i = 0; i < response.adFreq.size(); ++i) {
        std::size_t k = 0;
        double dShare = 0.0;
        Locate(adLog, std::log2(response.adFreq[i]), k, dShare);
        response.adLevel[i] -= rows.adLevel[k] + dShare * (rows.adLevel[k + 1] - rows.adLevel[k]);
        if (!adPhase.empty())
            response.adPhase[i] =
                std::remainder(response.adPhase[i] - (adPhase[k] + dShare * (adPhase[k + 1] - adPhase[k])), 360.0);
    }
}
