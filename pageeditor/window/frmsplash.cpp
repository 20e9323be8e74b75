#include "pageeditor/window/frmsplash.h"

#include "shell/window/twipsrect.h"

#include <QLabel>

FrmSplash::FrmSplash(QWidget *parent) : QDialog(parent, Qt::Dialog | Qt::FramelessWindowHint)
{
    setObjectName(QStringLiteral("frmSplash"));
    setModal(false);
    setFixedSize(twipsRect(0, 0, 3000, 1200).size());
    auto *label = new QLabel(QStringLiteral("please wait..."), this);
    label->setObjectName(QStringLiteral("Label1"));
    label->setFont(QFont(QStringLiteral("Arial"), 14));
    label->setAlignment(Qt::AlignCenter);
    label->setGeometry(rect());
    label->setFrameStyle(QFrame::Box | QFrame::Plain);
}

void FrmSplash::keyPressEvent(QKeyEvent *)
{
    hide();
}
