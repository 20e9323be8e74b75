#pragma once
// The page's rich-text box: a QTextEdit that reports mouse buttons released
// over the page (for paging by clicks) and can keep its text clear of a strip
// at its right where other controls lie over it.
#include <QTextEdit>

class RichTextBox : public QTextEdit {
    Q_OBJECT
public:
    explicit RichTextBox(QWidget *parent = nullptr);

    // Text wraps this many pixels before the box's right edge.
    void setRightMargin(int pixels);
    int rightMargin() const { return m_rightMargin; }

signals:
    void released(Qt::MouseButton button);

protected:
    void mouseReleaseEvent(QMouseEvent *event) override;

private:
    int m_rightMargin = 0;
};
