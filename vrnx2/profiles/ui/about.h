#pragma once
// The about box: the program's icon, its owner, its web page and its version.

#include <QDialog>
#include <QString>
#include <functional>
#include <string>

class QLabel;

namespace vrnx2 {

class TAboutBox : public QDialog {
    Q_OBJECT
public:
    // `webAddress` empty: no link is shown.
    explicit TAboutBox(QWidget* parent = nullptr, const QString& webAddress = DefaultWebAddress());

    static QString DefaultWebAddress();
    // "version " and the product's version, "version 2.01".
    static QString VersionText();

    QLabel* Link() const { return link_; }

    // Opens the web page; the desktop's browser unless a test replaces it.
    std::function<bool(const std::string& address)> openLink;

private:
    QLabel* link_;
};

}  // namespace vrnx2
