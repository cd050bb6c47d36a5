#include "dive/dive_estimate.h"

namespace {

// A picture under way tells its cost once a little of it is done.
constexpr double kTellingShare = 0.02;

double costOfPictureUnderWay(const PictureUnderWay& picture)
{
    return picture.done >= kTellingShare ? picture.seconds / picture.done : -1;
}

}  // namespace

double diveSecondsLeft(const DiveCosts& costs, std::int32_t keyframesLeft, std::int32_t framesLeft,
                       const PictureUnderWay& picture)
{
    const double underWay = costOfPictureUnderWay(picture);
    double keyframe = costs.keyframesRendered > 0 ? costs.keyframeSeconds : -1;
    if (keyframe < 0 && picture.kind == PictureKind::keyframe) keyframe = underWay;
    double frame = costs.framesMade > 0 ? costs.frameSeconds / costs.framesMade : -1;
    if (frame < 0 && picture.kind == PictureKind::frame) frame = underWay;
    if (frame < 0) frame = costs.frameGuess;
    if ((keyframesLeft > 0 && keyframe < 0) || (framesLeft > 0 && frame < 0)) return -1;
    double left = (keyframesLeft > 0 ? keyframesLeft * keyframe : 0) + (framesLeft > 0 ? framesLeft * frame : 0);
    if (picture.kind == PictureKind::keyframe) left -= picture.done * keyframe;
    if (picture.kind == PictureKind::frame) left -= picture.done * frame;
    return left > 0 ? left : 0;
}
