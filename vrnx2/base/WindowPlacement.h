#pragma once
// Where and how large a window opens: sizes measured for 9-point text grown with the font,
// stored geometry kept on the screen it opens on. No window needed, so the rules are tested
// on their own; the windows feed in what Qt measures.

#include <cstdint>
#include <optional>

namespace vrnx2 {

struct PlaceSize {
    int32_t width = 0;
    int32_t height = 0;
};

struct PlaceRect {
    int32_t left = 0;
    int32_t top = 0;
    int32_t width = 0;
    int32_t height = 0;
};

// What the window frame (title bar, borders) adds around the client area.
struct FrameMargins {
    int32_t left = 0;
    int32_t top = 0;
    int32_t right = 0;
    int32_t bottom = 0;
};

// The place that centres `size` on `screen` (half the difference, rounded toward zero),
// computed without overflow for any stored size; the default for an absent Top or Left.
int32_t CentredPlace(int32_t screen, int32_t size);

// A size measured for 9-point text, grown in proportion to a larger font; never shrunk.
PlaceSize GrowWithFont(PlaceSize designed, double fontPoints);

// What a window asks for when it opens: the stored (or default) client size, the size its
// content needs to show everything, the smallest size its layout allows, and the stored
// frame place (nullopt: centred on the area).
struct PlaceRequest {
    PlaceSize stored;
    PlaceSize needed;
    PlaceSize least;
    std::optional<int32_t> left;
    std::optional<int32_t> top;
};

// The client size and frame place (left, top) a window opens with on `area`, the available
// area of its screen. The size is the larger of the stored and the needed one, clamped to
// what the area leaves inside the frame, but never below `least`. The frame is then moved so
// that it lies wholly on the area; a frame larger than the area keeps its top-left corner on
// the area's, so the title bar stays reachable.
PlaceRect FitOnArea(const PlaceRequest& request, const FrameMargins& frame, const PlaceRect& area);

// A shown window, once its frame is known (a window manager tells it after the first show):
// its client place and size (`client`), the frame around it, and which axes it is to be
// centred on (no stored place). Where it should be instead, as FitOnArea gives it (the
// frame's place, the client size), so that the whole frame lies on `area` and is centred
// where asked; nullopt when it is right.
std::optional<PlaceRect> RefitShown(const PlaceRect& client, const FrameMargins& frame,
                                    const PlaceRect& area, PlaceSize least, bool centreX,
                                    bool centreY);

}  // namespace vrnx2
