#include "vrnx2/profiles/ui/about.h"

#include <QApplication>
#include <QHBoxLayout>
#include <QLabel>
#include <QPushButton>
#include <QStyle>
#include <QVBoxLayout>

#include "platform/Process.h"
#include "vrnx2/base/MessageIds.h"
#include "vrnx2/controls/ui/WindowSetup.h"
#include "vrnx2/profiles/Preferences.h"

// Set by the build from its configuration.
#ifndef VRNX2_OWNER_LINE
#define VRNX2_OWNER_LINE ""
#endif
#ifndef VRNX2_WEB_ADDRESS
#define VRNX2_WEB_ADDRESS ""
#endif

namespace vrnx2 {

QString TAboutBox::DefaultWebAddress() {
    return QString::fromUtf8(VRNX2_WEB_ADDRESS);
}

QString TAboutBox::VersionText() {
    return QString::fromStdString(AboutVersionText());
}

TAboutBox::TAboutBox(QWidget* parent, const QString& webAddress)
    : QDialog(parent), openLink(platform::OpenWithDesktop), link_(new QLabel(this)) {
    setObjectName(QStringLiteral("AboutBox"));
    setWindowTitle(MsgText(kMsgAboutTitle));
    setModal(true);

    auto* icon = new QLabel(this);
    icon->setObjectName(QStringLiteral("ProgramIcon"));
    QIcon programIcon = QApplication::windowIcon();
    if (programIcon.isNull()) programIcon = style()->standardIcon(QStyle::SP_ComputerIcon);
    icon->setPixmap(programIcon.pixmap(32, 32));
    icon->setAlignment(Qt::AlignTop);

    auto* name = new QLabel(QApplication::applicationName(), this);
    name->setObjectName(QStringLiteral("ProductName"));
    auto* version = new QLabel(VersionText(), this);
    version->setObjectName(QStringLiteral("Version"));
    auto* owner = new QLabel(QString::fromUtf8(VRNX2_OWNER_LINE), this);
    owner->setObjectName(QStringLiteral("Copyright"));
    owner->setTextFormat(Qt::PlainText);

    link_->setObjectName(QStringLiteral("WebLink"));
    link_->setTextFormat(Qt::RichText);
    const QString escaped = webAddress.toHtmlEscaped();
    link_->setText(QStringLiteral("<a href=\"%1\">%1</a>").arg(escaped));
    link_->setTextInteractionFlags(Qt::LinksAccessibleByMouse | Qt::LinksAccessibleByKeyboard);
    link_->setVisible(!webAddress.isEmpty());
    // The address is opened as configured, whatever the label's markup made of it.
    connect(link_, &QLabel::linkActivated, this, [this, webAddress] {
        if (openLink) openLink(webAddress.toStdString());
    });

    auto* ok = new QPushButton(MsgText(kMsgOK), this);
    ok->setObjectName(QStringLiteral("OK"));
    ok->setDefault(true);
    connect(ok, &QPushButton::clicked, this, &QDialog::accept);

    auto* texts = new QVBoxLayout;
    texts->addWidget(name);
    texts->addWidget(version);
    texts->addWidget(owner);
    texts->addWidget(link_);
    texts->addStretch();
    auto* top = new QHBoxLayout;
    top->addWidget(icon);
    top->addSpacing(12);
    top->addLayout(texts, 1);
    auto* buttons = new QHBoxLayout;
    buttons->addStretch();
    buttons->addWidget(ok);
    buttons->addStretch();
    auto* layout = new QVBoxLayout(this);
    layout->setContentsMargins(12, 12, 12, 12);
    layout->addLayout(top);
    layout->addLayout(buttons);
    layout->setSizeConstraint(QLayout::SetFixedSize);

    ApplyWindowFonts(this);
}

}  // namespace vrnx2
