#pragma once
// A text area that takes no line breaks from the keyboard: Enter goes to the dialog.

#include <QPlainTextEdit>

namespace vrnx2 {

class TSingleLineMemo : public QPlainTextEdit {
    Q_OBJECT
public:
    explicit TSingleLineMemo(QWidget* parent = nullptr);

protected:
    void keyPressEvent(QKeyEvent* event) override;
};

}  // namespace vrnx2
