#include "FieldNumber.h"

#include <QByteArray>
#include <QVariant>
#include <algorithm>
#include <cmath>

#include "NumEditFormat.h"
#include "NumEditParse.h"

namespace {
// Decimals written for a number handed to the field's reader: finer than
// any field shows.
constexpr int VALUE_DECIMALS = 6;
// A step is told to this fraction of a unit, far finer than any field shows.
constexpr double STEP_ROUNDING = 1e9;
}  // namespace

double ShownNumber(const CNumEditFormat& format, int nValue)
{
    return ParseLeadingDouble(format.Text(nValue));
}

double LowestNumber(const CNumEditFormat& format)
{
    return std::min(ShownNumber(format, format.GetMin()), ShownNumber(format, format.GetMax()));
}

double HighestNumber(const CNumEditFormat& format)
{
    return std::max(ShownNumber(format, format.GetMin()), ShownNumber(format, format.GetMax()));
}

double NumberStep(const CNumEditFormat& format, int nValue)
{
    const long long nNext = nValue < format.GetMax() ? nValue + 1LL : nValue - 1LL;
    if (!format.InRange(nNext) || !format.InRange(nValue))
        return 0.0;
    const double dStep = std::fabs(ShownNumber(format, static_cast<int>(nNext)) - ShownNumber(format, nValue));
    // Differences of decimal numbers carry binary dust (0.10000000000000009).
    return std::round(dStep * STEP_ROUNDING) / STEP_ROUNDING;
}

std::string TypedNumber(const CNumEditFormat& format, const QVariant& value)
{
    bool bNumber = false;
    const double d = value.toDouble(&bNumber);
    if (!bNumber || std::isnan(d))
        return {};
    const double dClamped = std::clamp(d, LowestNumber(format), HighestNumber(format));
    const int nDecimals = format.GetMode() == NUMEDIT_INTEGER ? 0 : VALUE_DECIMALS;
    return QByteArray::number(dClamped, 'f', nDecimals).toStdString();
}
