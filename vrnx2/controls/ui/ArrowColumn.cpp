#include "vrnx2/controls/ui/ArrowColumn.h"

#include <QEvent>
#include <QPushButton>
#include <QStyle>
#include <array>

#include "vrnx2/base/ListRules.h"
#include "vrnx2/controls/ui/ActionButton.h"

namespace vrnx2 {

namespace {

constexpr int kButtonSize = 25;

}  // namespace

ArrowColumn::ArrowColumn(QWidget* parent, QWidget* list, QAction* up, QAction* down)
    : QWidget(parent),
      list_(list),
      up_(ActionButton(up, this, false)),
      down_(ActionButton(down, this, false)) {
    up_->setIcon(style()->standardIcon(QStyle::SP_ArrowUp));
    down_->setIcon(style()->standardIcon(QStyle::SP_ArrowDown));
    for (QPushButton* b : {up_, down_}) b->setFixedSize(kButtonSize, kButtonSize);
    setFixedWidth(kButtonSize);
    list_->installEventFilter(this);
    installEventFilter(this);
}

bool ArrowColumn::eventFilter(QObject* watched, QEvent* event) {
    if ((watched == list_ || watched == this) &&
        (event->type() == QEvent::Resize || event->type() == QEvent::Move ||
         event->type() == QEvent::Show))
        PlaceButtons();
    return QWidget::eventFilter(watched, event);
}

void ArrowColumn::PlaceButtons() {
    const int listTop = list_->mapToGlobal(QPoint(0, 0)).y() - mapToGlobal(QPoint(0, 0)).y();
    const std::array<int, 2> tops = ArrowButtonTops(listTop, list_->height(), up_->height());
    up_->move(0, tops[0]);
    down_->move(0, tops[1]);
}

}  // namespace vrnx2
