#include "shell/frmAbout.h"

#include "shell/app_pictures.h"
#include "shell/product_text.h"
#include "shell/prompts.h"

#include <QFont>
#include <QGridLayout>
#include <QHBoxLayout>
#include <QLabel>
#include <QPlainTextEdit>
#include <QProcess>
#include <QPushButton>
#include <QStandardPaths>
#include <QStyle>

namespace norvane {

namespace {

QLabel* addLabel(QWidget* parent, const char* name, const QString& text)
{
    auto* label = new QLabel(text, parent);
    label->setObjectName(QLatin1String(name));
    return label;
}

}  // namespace

const QStringList& frmAbout::systemInfoTools()
{
    // The desktop's counterparts of the Windows system-information tool.
    static const QStringList tools{QStringLiteral("hardinfo"), QStringLiteral("gnome-system-monitor"),
                                   QStringLiteral("kinfocenter"), QStringLiteral("xfce4-taskmanager")};
    return tools;
}

QString frmAbout::unavailableMessage()
{
    return QStringLiteral("System Information Is Unavailable At This Time");
}

frmAbout::frmAbout(QWidget* parent) : QDialog(parent)
{
    setObjectName(QStringLiteral("frmAbout"));
    setWindowTitle(QStringLiteral("About Norvane "));

    imgAbout = new QLabel(this);
    imgAbout->setObjectName(QStringLiteral("imgAbout"));
    imgAbout->setPixmap(applicationIcon().pixmap(48, 48));
    lblTitle = addLabel(this, "lblTitle", product::title());
    QFont titleFont = lblTitle->font();
    titleFont.setPointSizeF(titleFont.pointSizeF() * 1.4);
    titleFont.setBold(true);
    lblTitle->setFont(titleFont);
    lblVersion = addLabel(this, "lblVersion", product::version());
    lblDescription = addLabel(this, "lblDescription", product::description());
    lblProduct = addLabel(this, "lblProduct", product::licenseCaption());
    lblLiscence = addLabel(this, "lblLiscence", product::releaseLine());

    txtDisclaimer = new QPlainTextEdit(this);
    txtDisclaimer->setObjectName(QStringLiteral("txtDisclaimer"));
    txtDisclaimer->setPlainText(QString(product::disclaimer()).replace(QLatin1String("\r\n"), QLatin1String("\n")));
    txtDisclaimer->setReadOnly(true);  // typed keys change nothing; selecting and copying still work
    txtDisclaimer->setTabChangesFocus(true);

    cmdOK = new QPushButton(QStringLiteral("OK"), this);
    cmdOK->setObjectName(QStringLiteral("cmdOK"));
    cmdOK->setDefault(true);  // Enter presses it
    cmdSysInfo = new QPushButton(QStringLiteral("&Sys Info..."), this);
    cmdSysInfo->setObjectName(QStringLiteral("cmdSysInfo"));
    cmdSysInfo->setAutoDefault(false);
    connect(cmdOK, &QPushButton::clicked, this, &QDialog::accept);
    connect(cmdSysInfo, &QPushButton::clicked, this, &frmAbout::StartSysInfo);

    auto* grid = new QGridLayout(this);
    grid->addWidget(imgAbout, 0, 0, 3, 1, Qt::AlignTop);
    grid->addWidget(lblTitle, 0, 1);
    grid->addWidget(lblVersion, 1, 1);
    grid->addWidget(lblDescription, 2, 1);
    grid->addWidget(lblProduct, 3, 1);
    grid->addWidget(lblLiscence, 4, 1);
    grid->addWidget(txtDisclaimer, 5, 0, 1, 2);
    auto* buttons = new QHBoxLayout;
    buttons->addStretch();
    buttons->addWidget(cmdOK);
    buttons->addWidget(cmdSysInfo);
    grid->addLayout(buttons, 6, 0, 1, 2);
    resize(520, 380);
    // Escape closes the window: QDialog rejects on Escape wherever the focus is.
}

void frmAbout::StartSysInfo()
{
    // Where Windows keeps its tool's path in the registry, a Linux desktop has
    // tools on PATH: start the first one found, detached and in its own window.
    for (const QString& tool : systemInfoTools()) {
        const QString path = QStandardPaths::findExecutable(tool);
        if (!path.isEmpty() && QProcess::startDetached(path, {}))
            return;
    }
    showMessage(this, QMessageBox::NoIcon, unavailableMessage());
}

}  // namespace norvane
