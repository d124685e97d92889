#include "MeasurementCheck.h"

MeasurementCheck CheckMeasurement(const CChannelMeasurement& measurement, const MeasurementData& check,
                                  const double (&adSumNow)[GRID_POINTS], double dCornerLowHz, double dCornerHighHz)
{
    MeasurementCheck out;
    const FitRequest request = measurement.MakeRequest(adSumNow, dCornerLowHz, dCornerHighHz);
    const FitOutcome frame = FitFrame(request);
    out.range = frame.range;
    out.predicted = request.predicted;
    out.measured = MeasurementOnGrid(check, measurement.GetSettings().nSmoothing);
    int nCompared = 0;
    for (int i = 0; i < GRID_POINTS; ++i)
        nCompared += out.range.abIn[i] && out.measured.abValid[i] && out.predicted.abValid[i] ? 1 : 0;
    if (out.range.nPoints == 0) {
        out.strError = out.range.strError;
        return out;
    }
    if (nCompared < MIN_FIT_POINTS) {
        out.strError = "the check's span holds too little of the fit's range";
        return out;
    }
    out.dRmsDb = RmsDifference(out.measured, out.predicted, out.range.abIn);
    out.bOk = true;
    return out;
}
