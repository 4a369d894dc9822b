#pragma once
// TEllipsisEdit: a one-line path box with a three-dot button at its right edge. A click on
// the button raises OnEllipsisClick (the owner offers a chooser and writes the result);
// files or folders dropped on the box become its text.

#include <QLineEdit>
#include <QToolButton>
#include <string>
#include <vector>

class QMimeData;

namespace vrnx2 {

// The local files and folders a drop carries, in their order.
std::vector<std::string> DroppedNames(const QMimeData* data);
// The first of them, or an empty text.
QString FirstDroppedPath(const QMimeData* data);

class TEllipsisButton : public QToolButton {
    Q_OBJECT
public:
    explicit TEllipsisButton(QWidget* parent);

protected:
    void paintEvent(QPaintEvent* event) override;
};

class TEllipsisEdit : public QLineEdit {
    Q_OBJECT
public:
    explicit TEllipsisEdit(QWidget* parent = nullptr);

    TEllipsisButton* Button() const { return button_; }
    QString EllipsisHint() const;
    void SetEllipsisHint(const QString& hint);
    // Entering the box by keyboard or by program selects its text.
    bool AutoSelect() const { return autoSelect_; }
    void SetAutoSelect(bool on) { autoSelect_ = on; }

signals:
    void OnEllipsisClick(TEllipsisEdit* sender);

protected:
    void resizeEvent(QResizeEvent* event) override;
    void changeEvent(QEvent* event) override;
    void focusInEvent(QFocusEvent* event) override;
    void dragEnterEvent(QDragEnterEvent* event) override;
    void dragMoveEvent(QDragMoveEvent* event) override;
    void dropEvent(QDropEvent* event) override;

private:
    void LayoutButton();
    TEllipsisButton* button_;
    bool autoSelect_ = true;
};

}  // namespace vrnx2
