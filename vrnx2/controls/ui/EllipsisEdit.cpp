#include "vrnx2/controls/ui/EllipsisEdit.h"

#include <QDragEnterEvent>
#include <QDropEvent>
#include <QFocusEvent>
#include <QMimeData>
#include <QPainter>
#include <QStyle>
#include <QUrl>

namespace vrnx2 {

std::vector<std::string> DroppedNames(const QMimeData* data) {
    std::vector<std::string> names;
    if (!data || !data->hasUrls()) return names;
    for (const QUrl& url : data->urls())
        if (url.isLocalFile()) names.push_back(url.toLocalFile().toStdString());
    return names;
}

QString FirstDroppedPath(const QMimeData* data) {
    const std::vector<std::string> names = DroppedNames(data);
    return names.empty() ? QString() : QString::fromStdString(names.front());
}

TEllipsisButton::TEllipsisButton(QWidget* parent) : QToolButton(parent) {
    setCursor(Qt::ArrowCursor);
    setFocusPolicy(Qt::NoFocus);
    setAutoRaise(false);
    // Its face keeps the button colours whatever the box's own colours are.
    setAutoFillBackground(true);
    setBackgroundRole(QPalette::Button);
}

void TEllipsisButton::paintEvent(QPaintEvent* event) {
    QToolButton::paintEvent(event);
    QPainter p(this);
    const QColor colour =
        palette().color(isEnabled() ? QPalette::Active : QPalette::Disabled, QPalette::ButtonText);
    const int cx = width() / 2 - 1, cy = height() / 2 - 1;
    for (int dx : {-4, 0, 4}) p.fillRect(cx + dx, cy, 2, 2, colour);
}

TEllipsisEdit::TEllipsisEdit(QWidget* parent)
    : QLineEdit(parent), button_(new TEllipsisButton(this)) {
    resize(150, 20);
    setAcceptDrops(true);
    connect(button_, &QToolButton::pressed, this, [this] { setFocus(Qt::MouseFocusReason); });
    connect(button_, &QToolButton::clicked, this, [this] { emit OnEllipsisClick(this); });
    LayoutButton();
}

QString TEllipsisEdit::EllipsisHint() const {
    return button_->toolTip();
}

void TEllipsisEdit::SetEllipsisHint(const QString& hint) {
    button_->setToolTip(hint);
}

void TEllipsisEdit::LayoutButton() {
    const int width = style()->pixelMetric(QStyle::PM_ScrollBarExtent, nullptr, this) + 1;
    button_->setGeometry(this->width() - width, 0, width, height());
    // The text area ends 4 pixels before the button, so text never runs under it.
    setTextMargins(0, 0, width + 4, 0);
}

void TEllipsisEdit::resizeEvent(QResizeEvent* event) {
    QLineEdit::resizeEvent(event);
    LayoutButton();
}

void TEllipsisEdit::changeEvent(QEvent* event) {
    QLineEdit::changeEvent(event);
    if (event->type() == QEvent::FontChange || event->type() == QEvent::StyleChange) LayoutButton();
    if (event->type() == QEvent::EnabledChange) button_->setEnabled(isEnabled());
}

void TEllipsisEdit::focusInEvent(QFocusEvent* event) {
    QLineEdit::focusInEvent(event);
    if (autoSelect_ && event->reason() != Qt::MouseFocusReason) selectAll();
}

void TEllipsisEdit::dragEnterEvent(QDragEnterEvent* event) {
    if (!isReadOnly() && !FirstDroppedPath(event->mimeData()).isEmpty())
        event->acceptProposedAction();
    else
        QLineEdit::dragEnterEvent(event);
}

void TEllipsisEdit::dragMoveEvent(QDragMoveEvent* event) {
    if (!isReadOnly() && !FirstDroppedPath(event->mimeData()).isEmpty())
        event->acceptProposedAction();
    else
        QLineEdit::dragMoveEvent(event);
}

void TEllipsisEdit::dropEvent(QDropEvent* event) {
    const QString path = FirstDroppedPath(event->mimeData());
    if (isReadOnly() || path.isEmpty()) {
        QLineEdit::dropEvent(event);
        return;
    }
    setText(path);
    event->acceptProposedAction();
}

}  // namespace vrnx2
