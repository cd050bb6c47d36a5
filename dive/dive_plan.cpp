#include "dive/dive_plan.h"

#include <cmath>

DivePlan planDive(double fromLog2, double toLog2, std::int32_t frames)
{
    const double octaves = std::ceil(toLog2 - fromLog2);
    return DivePlan{fromLog2, toLog2, frames, std::int32_t(octaves) + 1};
}

// Each frame is placed from the start, never accumulated, so the last one is the view itself.
double frameLog2(const DivePlan& plan, std::int32_t frame)
{
    if (frame == plan.frames - 1) return plan.toLog2;
    return plan.fromLog2 + (plan.toLog2 - plan.fromLog2) * frame / (plan.frames - 1);
}

std::int32_t outerKeyframe(const DivePlan& plan, std::int32_t frame)
{
    const double octave = std::floor(frameLog2(plan, frame) - plan.fromLog2);
    return octave < 0 ? 0 : octave > plan.keyframes - 1 ? plan.keyframes - 1 : std::int32_t(octave);
}

double depthBeyondKeyframe(const DivePlan& plan, std::int32_t frame)
{
    const double depth = frameLog2(plan, frame) - keyframeLog2(plan, outerKeyframe(plan, frame));
    return depth < 0 ? 0 : depth > 1 ? 1 : depth;
}
