#include "shell/frmSplash.h"

#include "shell/app_pictures.h"
#include "shell/product_text.h"

#include <QFont>
#include <QKeyEvent>
#include <QLabel>
#include <QStyle>
#include <QVBoxLayout>

namespace norvane {

frmSplash::frmSplash(QWidget* parent) : QWidget(parent, Qt::SplashScreen | Qt::FramelessWindowHint)
{
    setObjectName(QStringLiteral("frmSplash"));
    setFocusPolicy(Qt::StrongFocus);

    imgLogo = new QLabel(this);
    imgLogo->setObjectName(QStringLiteral("imgLogo"));
    imgLogo->setPixmap(applicationIcon().pixmap(64, 64));
    lblTitle = new QLabel(product::title(), this);
    lblTitle->setObjectName(QStringLiteral("lblTitle"));
    QFont titleFont = lblTitle->font();
    titleFont.setPointSizeF(titleFont.pointSizeF() * 1.8);
    titleFont.setBold(true);
    lblTitle->setFont(titleFont);
    lblVersion = new QLabel(product::version(), this);
    lblVersion->setObjectName(QStringLiteral("lblVersion"));
    lblProduct = new QLabel(product::licenseCaption(), this);
    lblProduct->setObjectName(QStringLiteral("lblProduct"));
    lblLiscence = new QLabel(product::releaseLine(), this);
    lblLiscence->setObjectName(QStringLiteral("lblLiscence"));

    auto* column = new QVBoxLayout(this);
    column->setContentsMargins(24, 24, 24, 24);
    column->addWidget(imgLogo, 0, Qt::AlignHCenter);
    column->addWidget(lblTitle, 0, Qt::AlignHCenter);
    column->addWidget(lblVersion, 0, Qt::AlignHCenter);
    column->addSpacing(16);
    column->addWidget(lblProduct);
    column->addWidget(lblLiscence);
}

void frmSplash::keyPressEvent(QKeyEvent* event)
{
    event->accept();
    close();
}

}  // namespace norvane
