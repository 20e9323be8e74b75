#pragma once
// The edit tools window `edit`: "save" and "wordpad" side by side, and four
// small picture buttons: align left, centre, right, and bold.
#include <QWidget>

class QPushButton;
class QToolButton;

class EditTools : public QWidget {
    Q_OBJECT
public:
    explicit EditTools(QWidget *parent = nullptr);

    QPushButton *saveButton() const { return m_save; }
    QPushButton *wordpadButton() const { return m_wordpad; }
    QToolButton *alignLeftButton() const { return m_alignLeft; }
    QToolButton *alignCentreButton() const { return m_alignCentre; }
    QToolButton *alignRightButton() const { return m_alignRight; }
    QToolButton *boldButton() const { return m_bold; }

private:
    QToolButton *addPictureButton(const QString &name, const QString &toolTip, int left,
                                  const QPixmap &picture);

    QPushButton *m_save = nullptr;
    QPushButton *m_wordpad = nullptr;
    QToolButton *m_alignLeft = nullptr;
    QToolButton *m_alignCentre = nullptr;
    QToolButton *m_alignRight = nullptr;
    QToolButton *m_bold = nullptr;
};
