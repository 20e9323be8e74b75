#include "poweruser/folderlist.h"

#include <QDir>
#include <QFileInfo>
#include <QHeaderView>
#include <QKeyEvent>
#include <QStyle>

namespace poweruser {

FolderList::FolderList(QWidget *parent) : QTreeWidget(parent)
{
    setHeaderHidden(true);
    setColumnCount(1);
    setRootIsDecorated(false);
    setItemsExpandable(false);
    setExpandsOnDoubleClick(false);
    setIndentation(10);
    connect(this, &QTreeWidget::itemDoubleClicked, this,
            [this](QTreeWidgetItem *item) { choose(item); });
}

QString FolderList::pathOf(const QTreeWidgetItem *item)
{
    return item ? item->data(0, Qt::UserRole).toString() : QString();
}

void FolderList::setPath(const QString &folder)
{
    const QString clean = QDir::cleanPath(QDir(folder).absolutePath());
    const bool changed = clean != m_path;
    m_path = clean;
    relist();
    if (changed)
        emit pathChanged(m_path);
}

QTreeWidgetItem *FolderList::itemFor(const QString &folder) const
{
    const QString clean = QDir::cleanPath(folder);
    for (QTreeWidgetItemIterator it(const_cast<FolderList *>(this)); *it; ++it) {
        if (pathOf(*it) == clean)
            return *it;
    }
    return nullptr;
}

void FolderList::relist()
{
    clear();
    // The chain from the root down to the current folder, each open.
    QStringList chain;
    for (QDir dir(m_path);; ) {
        chain.prepend(dir.absolutePath());
        if (dir.isRoot() || !dir.cdUp())
            break;
    }
    const QIcon open = style()->standardIcon(QStyle::SP_DirOpenIcon);
    const QIcon closed = style()->standardIcon(QStyle::SP_DirClosedIcon);
    QTreeWidgetItem *parentItem = nullptr;
    for (const QString &folder : chain) {
        const QString name = QDir(folder).isRoot() ? folder : QFileInfo(folder).fileName();
        auto *item = parentItem ? new QTreeWidgetItem(parentItem) : new QTreeWidgetItem(this);
        item->setText(0, name);
        item->setIcon(0, open);
        item->setData(0, Qt::UserRole, folder);
        parentItem = item;
    }
    // The folders inside the current one, by name.
    const QStringList inside = QDir(m_path).entryList(QDir::Dirs | QDir::NoDotAndDotDot,
                                                      QDir::Name | QDir::IgnoreCase);
    for (const QString &name : inside) {
        auto *item = new QTreeWidgetItem(parentItem);
        item->setText(0, name);
        item->setIcon(0, closed);
        item->setData(0, Qt::UserRole, QDir(m_path).absoluteFilePath(name));
    }
    expandAll();
    setCurrentItem(parentItem);
}

void FolderList::choose(QTreeWidgetItem *item)
{
    const QString folder = pathOf(item);
    if (!folder.isEmpty())
        setPath(folder);
}

void FolderList::keyPressEvent(QKeyEvent *event)
{
    if (event->key() == Qt::Key_Return || event->key() == Qt::Key_Enter) {
        choose(currentItem());
        return;
    }
    QTreeWidget::keyPressEvent(event);
}

}  // namespace poweruser
