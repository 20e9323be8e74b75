#pragma once
// The folder list `Dir1`: the current folder with every folder above it, each one
// step further in, and the folders inside the current one below it. A double click
// (or Enter) on any of them makes it the current folder and reports the change.
#include <QTreeWidget>

namespace poweruser {

class FolderList : public QTreeWidget {
    Q_OBJECT
public:
    explicit FolderList(QWidget *parent = nullptr);

    QString path() const { return m_path; }

    // Makes `folder` current and lists it afresh; reports `pathChanged` when it
    // differs from the folder shown before.
    void setPath(const QString &folder);

    // The row that shows `folder`, or null.
    QTreeWidgetItem *itemFor(const QString &folder) const;
    static QString pathOf(const QTreeWidgetItem *item);

signals:
    void pathChanged(const QString &folder);

protected:
    void keyPressEvent(QKeyEvent *event) override;

private:
    void relist();
    void choose(QTreeWidgetItem *item);

    QString m_path;
};

}  // namespace poweruser
