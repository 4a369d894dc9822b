#pragma once
// The advanced style's build-step bar: one row of four toggles (registry, files, ISO, disc)
// over BuildStepBar, painted in the stored bar colours. Keys, clicks and drags change the
// toggles; the main window reads them when a build starts.

#include <utility>

#include "vrnx2/controls/ui/CmbGrid.h"
#include "vrnx2/shell/MainWindowLogic.h"

namespace vrnx2 {

class TStepBar : public TComboGrid {
public:
    explicit TStepBar(QWidget* parent);
    // Sizes the columns to their captions in the bar's font, so it runs once the window's
    // fonts are set.
    void SetUp(const BarColours& colours);

    const BuildStepBar& Steps() const { return steps_; }
    // The selected profile's steps.
    void ShowProfile(const TProfileRec& p);
    void Toggle(int column);

private:
    void ShowSteps();
    // The columns the grid's selection spans, the current one without a selection.
    std::pair<int, int> Selection() const;

    BuildStepBar steps_;
    BarColours colours_;
};

}  // namespace vrnx2
