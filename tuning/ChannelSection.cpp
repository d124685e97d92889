#include "ChannelSection.h"

#include <cmath>

#include "CrossoverResponse.h"

namespace {
void MultiplyFilter(bool bHighPass, const CrossoverFilter& filter, ComplexGrid& h)
{
    CrossoverSections sections;
    const int n = CrossoverElementSections(bHighPass, filter.nFreq, filter.nAlign, filter.nSlope, sections);
    for (int k = 0; k < n; ++k)
        if (!sections[static_cast<std::size_t>(k)].IsUnity())
            MultiplySection(sections[static_cast<std::size_t>(k)], h);
}
}  // namespace

void MultiplyCrossover(const ChannelSetting& setting, ComplexGrid& h)
{
    MultiplyFilter(true, setting.hpf, h);
    MultiplyFilter(false, setting.lpf, h);
}

void MultiplyChannelSection(const ChannelSetting& setting, ComplexGrid& h)
{
    const double dGain = std::pow(10.0, ChannelGainDb(setting.nGain) / 20.0) * (setting.bInverted ? -1.0 : 1.0);
    for (auto& v : h)
        v *= dGain;
    MultiplyDelay(DelaySeconds(setting.nDelay), h);
}
