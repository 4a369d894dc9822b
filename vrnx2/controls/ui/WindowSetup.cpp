#include "vrnx2/controls/ui/WindowSetup.h"

#include <QGuiApplication>
#include <QStringList>
#include <QWidget>
#include <string>

#include "vrnx2/base/MessageTable.h"

namespace vrnx2 {

namespace {

// The CJK face that carries the glyphs when the named face is not installed; the
// character set picks the regional variant of the Han characters.
QString CjkFallback(int charSet) {
    switch (charSet) {
        case 129:
            return QStringLiteral("Noto Sans CJK KR");  // Hangul
        case 134:
            return QStringLiteral("Noto Sans CJK SC");  // GB2312
        case 136:
            return QStringLiteral("Noto Sans CJK TC");  // Big5
        default:
            return QStringLiteral("Noto Sans CJK JP");
    }
}

QFont FromSetting(const FontSetting& setting) {
    QFont font;
    QStringList families;
    if (!setting.name.empty()) families << QString::fromStdString(setting.name);
    families << CjkFallback(setting.charSet);
    font.setFamilies(families);
    font.setPointSize(setting.size > 0 ? setting.size : 9);
    return font;
}

}  // namespace

QFont DesignFont() {
    QFont font;
    font.setFamilies(
        {QStringLiteral("ＭＳ Ｐゴシック"), QStringLiteral("MS PGothic"), CjkFallback(128)});
    // 12 pixels were drawn for a 9-point system font; a larger one, as a desktop may set,
    // grows it in proportion.
    const double systemPoints = QGuiApplication::font().pointSizeF();
    font.setPixelSize(systemPoints > 9 ? qRound(12 * systemPoints / 9) : 12);
    return font;
}

QFont WindowFont() {
    const MessageTable& table = MessageTable::Instance();
    return table.languageLoaded ? FromSetting(table.font1) : DesignFont();
}

QFont ViewFont() {
    const MessageTable& table = MessageTable::Instance();
    return table.languageLoaded ? FromSetting(table.font2) : DesignFont();
}

void ApplyWindowFonts(QWidget* window, std::initializer_list<QWidget*> views) {
    if (window) window->setFont(WindowFont());
    const QFont viewFont = ViewFont();
    for (QWidget* view : views) {
        if (view) view->setFont(viewFont);
    }
}

QString MsgText(std::string_view id) {
    return QString::fromStdString(Msg(id));
}

}  // namespace vrnx2
