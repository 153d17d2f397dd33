#include "shell/frmTips.h"

#include "shell/app_pictures.h"
#include "shell/tips_text.h"

#include <QFont>
#include <QGridLayout>
#include <QHBoxLayout>
#include <QLabel>
#include <QPushButton>
#include <QRandomGenerator>
#include <QStyle>

namespace norvane {

frmTip::frmTip(QWidget* parent) : QDialog(parent)
{
    setObjectName(QStringLiteral("frmTip"));
    setWindowTitle(QStringLiteral("Tip of the Day"));

    Picture1 = new QLabel(this);
    Picture1->setObjectName(QStringLiteral("Picture1"));
    Picture1->setPixmap(QIcon::fromTheme(QStringLiteral("dialog-information"), applicationIcon()).pixmap(48, 48));
    Label1 = new QLabel(QStringLiteral("Did you know..."), this);
    Label1->setObjectName(QStringLiteral("Label1"));
    QFont headingFont = Label1->font();
    headingFont.setBold(true);
    Label1->setFont(headingFont);
    lblTipText = new QLabel(this);
    lblTipText->setObjectName(QStringLiteral("lblTipText"));
    lblTipText->setWordWrap(true);
    lblTipText->setAlignment(Qt::AlignLeft | Qt::AlignTop);
    lblTipText->setMinimumSize(360, 120);

    cmdNextTip = new QPushButton(QStringLiteral("&Next Tip"), this);
    cmdNextTip->setObjectName(QStringLiteral("cmdNextTip"));
    cmdNextTip->setAutoDefault(false);
    cmdOK = new QPushButton(QStringLiteral("OK"), this);
    cmdOK->setObjectName(QStringLiteral("cmdOK"));
    cmdOK->setDefault(true);  // Enter presses it; Escape closes the dialog too
    connect(cmdNextTip, &QPushButton::clicked, this, &frmTip::DoNextTip);
    connect(cmdOK, &QPushButton::clicked, this, &QDialog::accept);

    auto* grid = new QGridLayout(this);
    grid->addWidget(Picture1, 0, 0, 2, 1, Qt::AlignTop);
    grid->addWidget(Label1, 0, 1);
    grid->addWidget(lblTipText, 1, 1);
    auto* buttons = new QHBoxLayout;
    buttons->addStretch();
    buttons->addWidget(cmdNextTip);
    buttons->addWidget(cmdOK);
    grid->addLayout(buttons, 2, 0, 1, 2);

    DoNextTip();
}

void frmTip::DoNextTip()
{
    // The global generator is seeded by the system, so each opening starts at a new tip.
    const double random = QRandomGenerator::global()->generateDouble();
    position_ = tips::nextTipPosition(firstTime_, position_, static_cast<int>(tips::tipList().size()), random);
    DisplayCurrentTip();
}

void frmTip::DisplayCurrentTip()
{
    const QStringList& list = tips::tipList();
    if (list.isEmpty())
        return;
    // A label shows a carriage return as a stray glyph: show the line break alone.
    lblTipText->setText(QString(list.at(position_ - 1)).replace(QLatin1String("\r\n"), QLatin1String("\n")));
}

}  // namespace norvane
