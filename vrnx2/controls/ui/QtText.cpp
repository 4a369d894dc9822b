#include "vrnx2/controls/ui/QtText.h"

namespace vrnx2 {

QString Qs(const std::string& text) {
    return QString::fromStdString(text);
}

std::string Ss(const QString& text) {
    return text.toStdString();
}

QStringList QsList(const std::vector<std::string>& lines) {
    QStringList out;
    for (const std::string& line : lines) out << Qs(line);
    return out;
}

QString WithoutAccelerator(QString caption) {
    return caption.remove(QLatin1Char('&'));
}

}  // namespace vrnx2
