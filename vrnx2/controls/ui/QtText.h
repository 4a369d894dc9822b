#pragma once
// Text between the core (UTF-8 std::string) and the windows (QString).

#include <QString>
#include <QStringList>
#include <string>
#include <vector>

namespace vrnx2 {

// UTF-8 to QString and back.
QString Qs(const std::string& text);
std::string Ss(const QString& text);
QStringList QsList(const std::vector<std::string>& lines);
// A caption without its "&" accelerator marks, for tool tips and dialog titles.
QString WithoutAccelerator(QString caption);

}  // namespace vrnx2
