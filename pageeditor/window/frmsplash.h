#pragma once
// The wait window frmSplash: a fixed dialog without caption saying "please
// wait..." while a page is saved or paged to. A key press closes it.
#include <QDialog>

class QLabel;

class FrmSplash : public QDialog {
    Q_OBJECT
public:
    explicit FrmSplash(QWidget *parent = nullptr);

protected:
    void keyPressEvent(QKeyEvent *event) override;
};
