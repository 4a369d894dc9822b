#pragma once

#include <QMainWindow>

// The main window: profile list, build commands, menus.
class TVRNX_Form : public QMainWindow {
    Q_OBJECT
public:
    explicit TVRNX_Form(QWidget* parent = nullptr);
};
