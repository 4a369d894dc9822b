#include "vrnx2/shell/ui/StepBar.h"

#include <QKeyEvent>
#include <QMouseEvent>
#include <algorithm>

#include "vrnx2/base/MessageIds.h"
#include "vrnx2/controls/ui/QtText.h"
#include "vrnx2/controls/ui/WindowSetup.h"

namespace vrnx2 {

namespace {

// Windows system colour indexes, as the stored colour numbers name them.
QColor SystemColour(int index, const QPalette& pal) {
    switch (index) {
        case 4:
            return pal.color(QPalette::Window);
        case 5:
            return pal.color(QPalette::Base);
        case 7:
            return pal.color(QPalette::WindowText);
        case 8:
            return pal.color(QPalette::Text);
        case 13:
            return pal.color(QPalette::Highlight);
        case 14:
            return pal.color(QPalette::HighlightedText);
        case 15:
            return pal.color(QPalette::Button);
        case 16:
            return pal.color(QPalette::Dark);
        case 17:
            return pal.color(QPalette::Disabled, QPalette::Text);
        case 18:
            return pal.color(QPalette::ButtonText);
        case 20:
            return pal.color(QPalette::Light);
        case 21:
            return pal.color(QPalette::Shadow);
        case 22:
            return pal.color(QPalette::Midlight);
        case 23:
            return pal.color(QPalette::ToolTipText);
        case 24:
            return pal.color(QPalette::ToolTipBase);
        case 26:
            return pal.color(QPalette::Link);
        default:
            return pal.color(QPalette::Window);
    }
}

QColor ColourOf(uint32_t number, const QPalette& pal) {
    const DecodedColour d = DecodeColour(number);
    return d.system ? SystemColour(d.systemIndex, pal) : QColor(d.red, d.green, d.blue);
}

}  // namespace

TStepBar::TStepBar(QWidget* parent) : TComboGrid(parent) {
    setObjectName(QStringLiteral("CG01"));
}

void TStepBar::ShowProfile(const TProfileRec& p) {
    steps_.SetFromProfile(p);
    ShowSteps();
}

void TStepBar::Toggle(int column) {
    steps_.Toggle(column);
    ShowSteps();
}

void TStepBar::SetUp(const BarColours& colours) {
    colours_ = colours;
    setRowCount(1);
    setColumnCount(BuildStepBar::kColumns);
    SetCellKindText(BuildStepBarCellKinds());
    const char* captions[] = {kMsgColumnRegistry, kMsgColumnFiles, kMsgColumnIsoCreation,
                              kMsgColumnDiscCreation};
    // 80 pixels a column, wider only where a caption in the current font (bold when
    // current) would not fit.
    QFont bold = font();
    bold.setBold(true);
    const QFontMetrics metrics(bold);
    int total = 0;
    for (int c = 0; c < BuildStepBar::kColumns; ++c) {
        const QString caption = MsgText(captions[c]);
        const int width = std::max(80, metrics.horizontalAdvance(caption) + 8);
        setColumnWidth(c, width);
        SetCell(c, 0, caption);
        total += width;
    }
    setRowHeight(0, 21);
    setHorizontalScrollBarPolicy(Qt::ScrollBarAlwaysOff);
    setVerticalScrollBarPolicy(Qt::ScrollBarAlwaysOff);
    setFrameShape(QFrame::Panel);
    setFrameShadow(QFrame::Sunken);
    setLineWidth(2);
    setFixedSize(total + 3 + 4, 21 + 2 * frameWidth());
    SetFocusCellDraw(false);
    setCurrentCell(0, 0);
    ShowSteps();

    EditCellDraw = [this](TComboGrid* grid, int col, int, QColor& back, QFont& font, QColor& fore) {
        const bool on = steps_.toggles.at(static_cast<size_t>(col)) == 1;
        back = ColourOf(on ? colours_.selectedBack : colours_.unselectedBack, grid->palette());
        fore = ColourOf(on ? colours_.selectedFore : colours_.unselectedFore, grid->palette());
        font.setBold(grid->hasFocus() && col == grid->currentColumn());
    };
    OnKeyDown = [this](QKeyEvent* e) {
        const BarKey key = e->key() == Qt::Key_Space ? BarKey::Space
                           : e->key() == Qt::Key_A   ? BarKey::A
                                                     : BarKey::Other;
        switch (BarKeyDown(key, e->modifiers() & Qt::ControlModifier)) {
            case BarKeyAction::ToggleCurrent:
                steps_.Toggle(currentColumn());
                break;
            case BarKeyAction::SetAll:
                steps_.SetAll();
                break;
            case BarKeyAction::Consume:
                return true;
            default:
                return false;
        }
        ShowSteps();
        return true;
    };
    OnKeyUp = [this](QKeyEvent* e) {
        const BarKey key = e->key() == Qt::Key_Left    ? BarKey::Left
                           : e->key() == Qt::Key_Right ? BarKey::Right
                                                       : BarKey::Other;
        if (BarKeyUp(key, e->modifiers() & Qt::ShiftModifier) == BarKeyAction::ApplySelection) {
            const auto [left, right] = Selection();
            steps_.SetRange(left, right);
            ShowSteps();
        }
        return false;
    };
    OnMouseDown = [this](QMouseEvent* e) {
        if (e->button() != Qt::LeftButton) return;
        if (e->modifiers() & Qt::ControlModifier)
            Toggle(currentColumn());
        else
            steps_.StartDrag();
    };
    OnMouseMove = [this](QMouseEvent*) {
        const auto [left, right] = Selection();
        if (steps_.SelectionMoved(left, right)) ShowSteps();
    };
    OnMouseUp = [this](QMouseEvent* e) {
        if (e->button() == Qt::LeftButton) steps_.StopDrag();
    };
}

std::pair<int, int> TStepBar::Selection() const {
    const QList<QTableWidgetSelectionRange> ranges = selectedRanges();
    if (ranges.isEmpty()) return {currentColumn(), currentColumn()};
    int left = ranges.first().leftColumn(), right = ranges.first().rightColumn();
    for (const QTableWidgetSelectionRange& r : ranges) {
        left = std::min(left, r.leftColumn());
        right = std::max(right, r.rightColumn());
    }
    return {left, right};
}

void TStepBar::ShowSteps() {
    for (int c = 0; c < BuildStepBar::kColumns; ++c)
        SetCellValue(c, 0, steps_.toggles.at(static_cast<size_t>(c)));
    viewport()->update();
}

}  // namespace vrnx2
