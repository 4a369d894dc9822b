#include "vrnx2/controls/ui/SingleLineMemo.h"

#include <QKeyEvent>

namespace vrnx2 {

TSingleLineMemo::TSingleLineMemo(QWidget* parent) : QPlainTextEdit(parent) {
    setLineWrapMode(QPlainTextEdit::NoWrap);
    setTabChangesFocus(true);
}

void TSingleLineMemo::keyPressEvent(QKeyEvent* event) {
    if (event->key() == Qt::Key_Return || event->key() == Qt::Key_Enter) {
        event->ignore();  // to the dialog, whose default button takes it
        return;
    }
    QPlainTextEdit::keyPressEvent(event);
}

}  // namespace vrnx2
