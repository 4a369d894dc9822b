#pragma once
// Place, size and state of a window as the settings store keeps them; the main window, the
// builder registration window and the plugin window share the shape.

#include <cstdint>
#include <optional>

namespace vrnx2 {

enum class FormState { Normal = 0, Maximised = 1, Minimised = 2 };

// Client size, place and state of a window. Top and Left default to centring the window on
// the screen; storedTop and storedLeft tell whether they were stored, so a window that opens
// larger than its stored size can centre itself instead.
struct MainFormGeometry {
    int32_t height = 286;
    int32_t width = 472;
    int32_t top = 0;
    int32_t left = 0;
    FormState state = FormState::Normal;
    std::optional<int32_t> storedTop{};
    std::optional<int32_t> storedLeft{};
};

}  // namespace vrnx2
