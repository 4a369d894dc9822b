#include "vrnx2/shell/MainForm.h"

TVRNX_Form::TVRNX_Form(QWidget* parent) : QMainWindow(parent) {
    setObjectName(QStringLiteral("VRNX_Form"));
    setWindowTitle(QStringLiteral("Varnex v2"));
}
