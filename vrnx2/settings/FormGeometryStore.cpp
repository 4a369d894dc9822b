#include "vrnx2/settings/FormGeometryStore.h"

#include <cstdint>

#include "vrnx2/base/WindowPlacement.h"
#include "vrnx2/settings/Store.h"

namespace vrnx2 {

MainFormGeometry ReadFormGeometry(const std::string& key, const MainFormGeometry& defaults,
                                  int screenWidth, int screenHeight) {
    MainFormGeometry g;
    g.height = RegReadInteger(0, key, "Height", defaults.height);
    g.width = RegReadInteger(0, key, "Width", defaults.width);
    // A stored size of any value (0x80000000 included) centres without overflow.
    g.top = RegReadInteger(0, key, "Top", CentredPlace(screenHeight, g.height));
    g.left = RegReadInteger(0, key, "Left", CentredPlace(screenWidth, g.width));
    g.storedTop = RegReadValue(0, key, "Top") ? std::optional<int32_t>(g.top) : std::nullopt;
    g.storedLeft = RegReadValue(0, key, "Left") ? std::optional<int32_t>(g.left) : std::nullopt;
    const int32_t state = RegReadInteger(0, key, "FormState", 0);
    g.state = state == 1   ? FormState::Maximised
              : state == 2 ? FormState::Minimised
                           : FormState::Normal;
    return g;
}

void WriteFormGeometry(const std::string& key, const MainFormGeometry& geometry) {
    RegWriteInteger(0, key, "FormState", static_cast<int32_t>(geometry.state));
    if (geometry.state != FormState::Normal) return;
    RegWriteInteger(0, key, "Height", geometry.height);
    RegWriteInteger(0, key, "Width", geometry.width);
    RegWriteInteger(0, key, "Top", geometry.top);
    RegWriteInteger(0, key, "Left", geometry.left);
}

}  // namespace vrnx2
