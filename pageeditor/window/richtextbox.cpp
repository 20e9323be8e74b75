#include "pageeditor/window/richtextbox.h"

#include <QMouseEvent>

RichTextBox::RichTextBox(QWidget *parent) : QTextEdit(parent)
{
    setObjectName(QStringLiteral("RichTextBox1"));
    setAcceptRichText(true);
}

void RichTextBox::setRightMargin(int pixels)
{
    m_rightMargin = qMax(0, pixels);
    setViewportMargins(0, 0, m_rightMargin, 0);
}

void RichTextBox::mouseReleaseEvent(QMouseEvent *event)
{
    QTextEdit::mouseReleaseEvent(event);
    emit released(event->button());
}
