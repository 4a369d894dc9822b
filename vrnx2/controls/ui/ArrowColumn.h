#pragma once

#include <QWidget>

class QAction;
class QPushButton;

namespace vrnx2 {

// The narrow column beside a row list with the Move up and Move down arrow buttons, kept
// around the list's middle however the list is placed or sized.
class ArrowColumn : public QWidget {
public:
    ArrowColumn(QWidget* parent, QWidget* list, QAction* up, QAction* down);

    QPushButton* UpButton() const { return up_; }
    QPushButton* DownButton() const { return down_; }

protected:
    bool eventFilter(QObject* watched, QEvent* event) override;

private:
    void PlaceButtons();

    QWidget* list_;
    QPushButton* up_;
    QPushButton* down_;
};

}  // namespace vrnx2
