#include <cmath>

#include "vocalith/ladspa/plugin_desc.h"

namespace ladspa {

namespace {

// Weighted mix of the bounds: linear in double, or logarithmic with each
// logarithm rounded to float before weighting.
float mix_bounds(float fLower, float fUpper, double fLowerWeight, bool bLogarithmic)
{
    const double fUpperWeight = 1.0 - fLowerWeight;
    if (bLogarithmic) {
        const float fLnLower = static_cast<float>(std::log(static_cast<double>(fLower)));
        const float fLnUpper = static_cast<float>(std::log(static_cast<double>(fUpper)));
        return static_cast<float>(std::exp(fLowerWeight * fLnLower + fUpperWeight * fLnUpper));
    }
    return static_cast<float>(fLowerWeight * fLower + fUpperWeight * fUpper);
}

}  // namespace

float port_info::default_value(unsigned int nSampleRate) const
{
    const LADSPA_PortRangeHintDescriptor nHint = hint.HintDescriptor;
    const bool bSampleRate = LADSPA_IS_HINT_SAMPLE_RATE(nHint);
    const bool bLogarithmic = LADSPA_IS_HINT_LOGARITHMIC(nHint);
    const float fRate = static_cast<float>(static_cast<double>(nSampleRate));
    float fLower = hint.LowerBound;
    float fUpper = hint.UpperBound;
    if (bSampleRate) {
        fLower *= fRate;
        fUpper *= fRate;
    }
    // A fixed default scales with the rate like the bounds do.
    const double fFixedScale = bSampleRate ? fRate : 1.0;

    switch (nHint & LADSPA_HINT_DEFAULT_MASK) {
    case LADSPA_HINT_DEFAULT_NONE:
        if (LADSPA_IS_HINT_BOUNDED_BELOW(nHint)) {
            return fLower;
        }
        return LADSPA_IS_HINT_BOUNDED_ABOVE(nHint) ? fUpper : 0.0f;
    case LADSPA_HINT_DEFAULT_MINIMUM:
        return fLower;
    case LADSPA_HINT_DEFAULT_LOW:
        return mix_bounds(fLower, fUpper, 0.75, bLogarithmic);
    case LADSPA_HINT_DEFAULT_MIDDLE:
        return mix_bounds(fLower, fUpper, 0.5, bLogarithmic);
    case LADSPA_HINT_DEFAULT_HIGH:
        return mix_bounds(fLower, fUpper, 0.25, bLogarithmic);
    case LADSPA_HINT_DEFAULT_MAXIMUM:
        return fUpper;
    case LADSPA_HINT_DEFAULT_0:
        return 0.0f;
    case LADSPA_HINT_DEFAULT_1:
        return static_cast<float>(fFixedScale);
    case LADSPA_HINT_DEFAULT_100:
        return static_cast<float>(fFixedScale * 100.0);
    case LADSPA_HINT_DEFAULT_440:
        return static_cast<float>(fFixedScale * 440.0);
    default:
        return 0.0f;
    }
}

}  // namespace ladspa
