#include "vrnx2/controls/ui/FormPlacement.h"

#include <QGuiApplication>
#include <QLayout>
#include <QScreen>
#include <QWidget>
#include <algorithm>

QRect PrimaryArea() {
    const QScreen* screen = QGuiApplication::primaryScreen();
    return screen ? screen->availableGeometry() : QRect(0, 0, 1024, 768);
}

void SetLeastSize(QWidget* form, QSize least) {
    form->layout()->activate();
    form->setMinimumSize(least.expandedTo(form->minimumSizeHint()));
}

void MoveOntoScreen(QWidget* form, int left, int top, QSize probe) {
    const QRect wanted(left, top, std::max(probe.width(), 1), std::max(probe.height(), 1));
    bool visible = false;
    for (const QScreen* s : QGuiApplication::screens())
        if (s->availableGeometry().intersects(wanted)) visible = true;
    if (const QScreen* screen = QGuiApplication::primaryScreen(); !visible && screen) {
        const QRect area = screen->availableGeometry();
        left = area.x() + (area.width() - form->width()) / 2;
        top = area.y() + (area.height() - form->height()) / 2;
    }
    form->move(left, top);
}

MainFormGeometry CurrentGeometry(const QWidget* form) {
    MainFormGeometry g;
    if (form->windowState() & Qt::WindowMinimized)
        g.state = FormState::Minimised;
    else if (form->windowState() & Qt::WindowMaximized)
        g.state = FormState::Maximised;
    g.height = form->height();
    g.width = form->width();
    g.top = form->y();
    g.left = form->x();
    return g;
}
