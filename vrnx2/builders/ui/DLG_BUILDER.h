#pragma once
// TBUILDER_DLG: asks for a builder's display name and installation folder, and closes with
// OK only when they pass the checks of ValidateBuilderFields.

#include <QDialog>

class QLabel;
class QLineEdit;
class QPushButton;

namespace vrnx2 {

class TEllipsisEdit;

class TBUILDER_DLG : public QDialog {
    Q_OBJECT
public:
    explicit TBUILDER_DLG(QWidget* parent = nullptr);

    QLineEdit* NameField() const { return name_; }
    TEllipsisEdit* PathField() const { return path_; }
    QString Name() const;
    QString Path() const;
    void SetFields(const QString& name, const QString& path);
    // The folder picker, from the path box's button or Alt+Down.
    void BrowseForPath();

    void accept() override;

protected:
    bool eventFilter(QObject* watched, QEvent* event) override;

private:
    QLineEdit* name_ = nullptr;
    TEllipsisEdit* path_ = nullptr;
};

}  // namespace vrnx2
