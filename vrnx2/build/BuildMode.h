#pragma once
// What a build run does; the numbers are the ones the main window's build actions always used.

namespace vrnx2 {

enum class BuildMode {
    Basic = 0,      // build as the profile says (and the image if it asks for one)
    ImageOnly = 1,  // only the image of an earlier build
    Advanced = 2,   // the toggles of the build-step bar decide
};

}  // namespace vrnx2
