#include "vrnx2/controls/ui/FormPlacement.h"

#include <QElapsedTimer>
#include <QEvent>
#include <QFontInfo>
#include <QGuiApplication>
#include <QLayout>
#include <QPointer>
#include <QScreen>
#include <QScrollArea>
#include <QStyle>
#include <QTimer>
#include <QWidget>
#include <algorithm>

#include "vrnx2/base/WindowPlacement.h"

namespace vrnx2 {

namespace {

PlaceSize ToPlace(QSize s) {
    return PlaceSize{s.width(), s.height()};
}

PlaceRect ToPlace(const QRect& r) {
    return PlaceRect{r.x(), r.y(), r.width(), r.height()};
}

FrameMargins MarginsOf(const QWidget* form) {
    const QRect outer = form->frameGeometry();
    const QRect inner = form->geometry();
    return FrameMargins{inner.left() - outer.left(), inner.top() - outer.top(),
                        outer.right() - inner.right(), outer.bottom() - inner.bottom()};
}

void Apply(QWidget* form, const PlaceRect& r) {
    form->resize(r.width, r.height);
    form->move(r.left, r.top);
}

// A window manager tells the frame around a window only after it is first shown, and may
// move the window when it does. Until then (or for a few seconds, where nobody tells), each
// move or resize re-checks the window: a frame that reaches past the screen's available area
// is moved (and if need be shrunk) back onto it, and a window without a stored place is
// centred at its final size.
class RefitOnShow : public QObject {
public:
    RefitOnShow(QWidget* form, bool centreX, bool centreY)
        : QObject(form), form_(form), centreX_(centreX), centreY_(centreY) {
        form->installEventFilter(this);
    }

    bool eventFilter(QObject* watched, QEvent* event) override {
        if (watched != form_) return false;
        switch (event->type()) {
            case QEvent::Show:
                if (!shown_.isValid()) shown_.start();
                Schedule();
                break;
            case QEvent::Move:
            case QEvent::Resize:
                if (shown_.isValid()) Schedule();
                break;
            default:
                break;
        }
        return false;
    }

private:
    void Schedule() {
        if (pending_) return;
        pending_ = true;
        QTimer::singleShot(0, this, [this] {
            pending_ = false;
            Refit();
        });
    }

    void Refit() {
        if (!form_) return;
        const FrameMargins margins = MarginsOf(form_);
        const bool known = margins.top != 0 || margins.left != 0;
        if (form_->windowState() == Qt::WindowNoState) {
            const QRect area = AreaFor(form_->frameGeometry());
            const auto place = RefitShown(ToPlace(form_->geometry()), margins, ToPlace(area),
                                          ToPlace(form_->minimumSize()), centreX_, centreY_);
            if (place) Apply(form_, *place);
        }
        // Done once the frame is known and placed, or when nobody tells it.
        if (known || shown_.elapsed() > 3000) {
            form_->removeEventFilter(this);
            deleteLater();
        }
    }

    QPointer<QWidget> form_;
    bool centreX_, centreY_;
    bool pending_ = false;
    QElapsedTimer shown_;
};

}  // namespace

QRect PrimaryArea() {
    const QScreen* screen = QGuiApplication::primaryScreen();
    return screen ? screen->availableGeometry() : QRect(0, 0, 1024, 768);
}

QRect AreaFor(const QRect& frame) {
    // The centre is worked out in 64 bits: stored places and sizes may be anything.
    const int64_t x = static_cast<int64_t>(frame.x()) + frame.width() / 2;
    const int64_t y = static_cast<int64_t>(frame.y()) + frame.height() / 2;
    const QPoint centre(static_cast<int>(std::clamp<int64_t>(x, INT32_MIN, INT32_MAX)),
                        static_cast<int>(std::clamp<int64_t>(y, INT32_MIN, INT32_MAX)));
    if (const QScreen* screen = QGuiApplication::screenAt(centre))
        return screen->availableGeometry();
    return PrimaryArea();
}

double FontPoints(const QWidget* widget) {
    return QFontInfo(widget->font()).pointSizeF();
}

QSize GrownForFont(const QWidget* widget, QSize designed) {
    const PlaceSize grown = GrowWithFont(ToPlace(designed), FontPoints(widget));
    return QSize(grown.width, grown.height);
}

void SetLeastSize(QWidget* form, QSize least) {
    form->layout()->activate();
    form->setMinimumSize(least.expandedTo(form->minimumSizeHint()));
}

void PlaceForm(QWidget* form, QSize designed, QSize least, const MainFormGeometry& g,
               QSize needed) {
    SetLeastSize(form, least);
    QSize stored(g.width, g.height);
    // The designed size was measured for 9-point text; it grows with a larger font. A size
    // the user chose is kept as it is.
    if (stored == designed) stored = GrownForFont(form, designed);
    PlaceRequest request;
    request.stored = ToPlace(stored);
    request.needed = ToPlace(needed.expandedTo(form->minimumSize()));
    request.least = ToPlace(form->minimumSize());
    request.left = g.storedLeft;
    request.top = g.storedTop;
    const QRect area = AreaFor(QRect(g.left, g.top, std::max(g.width, 1), std::max(g.height, 1)));
    Apply(form, FitOnArea(request, MarginsOf(form), ToPlace(area)));
    new RefitOnShow(form, !g.storedLeft, !g.storedTop);
}

void FitDialog(QWidget* dialog, QSize designed, bool fixed, QScrollArea* scrolling) {
    dialog->layout()->activate();
    QSize needed = dialog->minimumSizeHint();
    if (scrolling && scrolling->widget()) {
        // What the dialog needs to show all of its content, measured with the scroll area
        // held at the content's size for a moment.
        const int frame = 2 * scrolling->frameWidth();
        scrolling->setMinimumSize(scrolling->widget()->minimumSizeHint() + QSize(frame, frame));
        dialog->layout()->invalidate();
        dialog->layout()->activate();
        needed = dialog->minimumSizeHint();
        scrolling->setMinimumSize(0, 0);
        dialog->layout()->invalidate();
        dialog->layout()->activate();
    }
    QSize size = GrownForFont(dialog, designed).expandedTo(needed);
    if (scrolling) {
        const QWidget* owner = dialog->parentWidget() ? dialog->parentWidget()->window() : nullptr;
        const QRect area = owner ? AreaFor(owner->frameGeometry()) : PrimaryArea();
        // Cut short, the content takes a scroll bar's width beside it.
        if (size.height() > area.height())
            size.rwidth() += scrolling->style()->pixelMetric(QStyle::PM_ScrollBarExtent);
        size = size.boundedTo(area.size()).expandedTo(dialog->minimumSizeHint());
        new RefitOnShow(dialog, false, false);
    }
    if (fixed)
        dialog->setFixedSize(size);
    else
        dialog->resize(size);
}

QScrollArea* ScrollingContent(QWidget* content, QWidget* parent) {
    auto* area = new QScrollArea(parent);
    area->setObjectName(QStringLiteral("ContentScroll"));
    area->setFrameShape(QFrame::NoFrame);
    area->setWidgetResizable(true);
    area->setWidget(content);
    return area;
}

MainFormGeometry CurrentGeometry(const QWidget* form) {
    MainFormGeometry g;
    if (form->windowState() & Qt::WindowMinimized)
        g.state = FormState::Minimised;
    else if (form->windowState() & Qt::WindowMaximized)
        g.state = FormState::Maximised;
    g.height = form->height();
    g.width = form->width();
    g.top = form->y();
    g.left = form->x();
    return g;
}

}  // namespace vrnx2
