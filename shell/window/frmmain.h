#pragma once
// The design chooser window frmMain: a borderless window with the dark blue title
// strip " Change design", the styles list lv1 and the backgrounds list lvw, each
// entry with a picture of what it is, and "OK", which hides the window. A double
// click (or Enter) on an entry is the chooser's (DesignChooser) to act on.
#include "shell/core/designchooser.h"

#include "platform/movie/moviestills.h"

#include <QDateTime>
#include <QHash>
#include <QIcon>
#include <QList>
#include <QTimer>
#include <QWidget>

class QLabel;
class QListWidget;
class QListWidgetItem;
class QPushButton;

class FrmMain : public QWidget {
    Q_OBJECT
public:
    static constexpr int widthTwips = 8025;
    static constexpr int heightTwips = 7650;

    explicit FrmMain(DesignChooser *chooser, QWidget *parent = nullptr);

    QListWidget *lv1() const { return m_styles; }
    QListWidget *lvw() const { return m_backgrounds; }
    QPushButton *okButton() const { return m_ok; }
    QLabel *titleStrip() const { return m_title; }

    // Pictures still to be made (they are made one at a time between events,
    // so that a folder of large pictures does not hold the window).
    int picturesPending() const { return int(m_pending.size()); }
    // Makes every pending picture now.
    void makePictures();

protected:
    bool eventFilter(QObject *watched, QEvent *event) override;
    void showEvent(QShowEvent *event) override;

private:
    struct Pending {
        DesignList list;
        int row;
        QString key;
    };
    struct Picture {
        QDateTime modified;
        qint64 size = 0;
        QIcon icon;
    };

    QListWidget *listWidget(DesignList list) const;
    QListWidget *addList(DesignList list, const QString &name, const QString &heading, int left);
    void showList(DesignList list);
    void makeNextPicture();
    QIcon pictureOf(const QString &path);

    DesignChooser *m_chooser;
    QLabel *m_title = nullptr;
    QListWidget *m_styles = nullptr;
    QListWidget *m_backgrounds = nullptr;
    QPushButton *m_ok = nullptr;
    platform::MovieStills m_stills;
    QList<Pending> m_pending;
    QTimer m_pictureTimer;
    QHash<QString, Picture> m_pictures;  // by full path, while the file is unchanged
};
