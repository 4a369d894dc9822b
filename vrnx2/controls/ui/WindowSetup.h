#pragma once
// The window set-up convention: every window and dialog, on creation, takes font setting 1
// (its list and tree views font setting 2) and its captions from the message table. Without
// a language resource the design font is used, backed by an installed CJK font.

#include <QFont>
#include <QString>
#include <initializer_list>
#include <string_view>

class QWidget;

namespace vrnx2 {

// The design font of every window: a Japanese UI face at 12 pixels.
QFont DesignFont();
// Font setting 1 (windows and dialogs), or the design font without a language resource.
QFont WindowFont();
// Font setting 2 (list and tree views of the main, plugin and builder windows), or the
// design font without a language resource.
QFont ViewFont();

// Sets the window's font from setting 1 and each of `views` from setting 2.
void ApplyWindowFonts(QWidget* window, std::initializer_list<QWidget*> views = {});

// The message-table text of `id` ("001".."154"); empty when the table has none.
QString MsgText(std::string_view id);

}  // namespace vrnx2
