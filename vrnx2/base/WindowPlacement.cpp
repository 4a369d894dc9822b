#include "vrnx2/base/WindowPlacement.h"

#include <algorithm>
#include <cmath>
#include <limits>

namespace vrnx2 {

namespace {

constexpr double kDesignPoints = 9.0;

int32_t ToInt32(int64_t value) {
    return static_cast<int32_t>(std::clamp<int64_t>(value, std::numeric_limits<int32_t>::min(),
                                                    std::numeric_limits<int32_t>::max()));
}

// One axis: the frame's start on the area, given its stored start and its outer length.
int64_t PlaceOnAxis(std::optional<int32_t> stored, int64_t outer, int64_t areaStart,
                    int64_t areaLength) {
    if (outer >= areaLength) return areaStart;
    const int64_t start = stored ? *stored : areaStart + (areaLength - outer) / 2;
    return std::clamp<int64_t>(start, areaStart, areaStart + areaLength - outer);
}

}  // namespace

int32_t CentredPlace(int32_t screen, int32_t size) {
    return ToInt32((static_cast<int64_t>(screen) - size) / 2);
}

PlaceSize GrowWithFont(PlaceSize designed, double fontPoints) {
    if (!(fontPoints > kDesignPoints) || !std::isfinite(fontPoints)) return designed;
    const double factor = fontPoints / kDesignPoints;
    return PlaceSize{ToInt32(std::llround(designed.width * factor)),
                     ToInt32(std::llround(designed.height * factor))};
}

PlaceRect FitOnArea(const PlaceRequest& r, const FrameMargins& frame, const PlaceRect& area) {
    const int64_t frameWidth = static_cast<int64_t>(frame.left) + frame.right;
    const int64_t frameHeight = static_cast<int64_t>(frame.top) + frame.bottom;
    const int64_t leastWidth = std::max<int64_t>(r.least.width, 1);
    const int64_t leastHeight = std::max<int64_t>(r.least.height, 1);
    int64_t width = std::max<int64_t>(r.stored.width, r.needed.width);
    int64_t height = std::max<int64_t>(r.stored.height, r.needed.height);
    width = std::max(std::min(width, area.width - frameWidth), leastWidth);
    height = std::max(std::min(height, area.height - frameHeight), leastHeight);
    const int64_t left = PlaceOnAxis(r.left, width + frameWidth, area.left, area.width);
    const int64_t top = PlaceOnAxis(r.top, height + frameHeight, area.top, area.height);
    return PlaceRect{ToInt32(left), ToInt32(top), ToInt32(width), ToInt32(height)};
}

std::optional<PlaceRect> RefitShown(const PlaceRect& client, const FrameMargins& frame,
                                    const PlaceRect& area, PlaceSize least, bool centreX,
                                    bool centreY) {
    const int32_t frameLeft = ToInt32(static_cast<int64_t>(client.left) - frame.left);
    const int32_t frameTop = ToInt32(static_cast<int64_t>(client.top) - frame.top);
    PlaceRequest request;
    request.stored = PlaceSize{client.width, client.height};
    request.least = least;
    if (!centreX) request.left = frameLeft;
    if (!centreY) request.top = frameTop;
    const PlaceRect fitted = FitOnArea(request, frame, area);
    if (fitted.left == frameLeft && fitted.top == frameTop && fitted.width == client.width &&
        fitted.height == client.height)
        return std::nullopt;
    return fitted;
}

}  // namespace vrnx2
