#include "shell/window/playlisteditor.h"

#include "shell/core/playlistmodel.h"
#include "shell/window/looks.h"
#include "shell/window/twipsrect.h"

#include <QCloseEvent>
#include <QComboBox>
#include <QFocusEvent>
#include <QLabel>
#include <QLineEdit>
#include <QPushButton>

PlaylistEditor::PlaylistEditor(Edition edition, PlaylistModel *model, QWidget *parent)
    : QWidget(parent, Qt::Window), m_model(model)
{
    setObjectName(QStringLiteral("playlistEditor"));
    setWindowTitle(QStringLiteral("korvane powerpoint commander playlist"));
    setFixedSize(twipsRect(0, 0, 4800, 7530).size());
    const QFont tahoma = looks::tahoma();

    if (edition == Edition::Full) {
        auto *heading = new QLabel(QStringLiteral(" Playlist"), this);
        heading->setObjectName(QStringLiteral("menulabel"));
        looks::makeTitleStrip(heading);
        placeInTwips(heading, 0, 0, 4815, 255);
    }
    m_ok = new QPushButton(QStringLiteral("OK"), this);
    m_ok->setObjectName(QStringLiteral("Command1"));
    m_ok->setFont(tahoma);
    if (edition == Edition::Full) {
        m_ok->setToolTip(QStringLiteral("confirm your changes"));
        placeInTwips(m_ok, 3720, 240, 735, 255);
    } else {
        placeInTwips(m_ok, 3360, 120, 735, 255);
    }
    connect(m_ok, &QPushButton::clicked, this, [this] {
        hide();
        emit okClicked();
    });

    for (int slot = 0; slot < PlaylistModel::slotCount; ++slot) {
        auto *label = new QLabel(this);
        label->setObjectName(QStringLiteral("LabelGuide%1").arg(slot));
        placeInTwips(label, 120, 600 + 360 * slot, 255, 255);
        m_labels << label;

        auto *box = new QComboBox(this);
        box->setObjectName(QStringLiteral("Combo1_%1").arg(slot));
        box->setEditable(true);
        box->setInsertPolicy(QComboBox::NoInsert);
        const QRect place = twipsRect(480, 600 + 360 * slot, 3975, 315);
        box->move(place.topLeft());
        box->resize(place.width(), box->sizeHint().height());
        box->installEventFilter(this);
        box->lineEdit()->installEventFilter(this);
        connect(box, &QComboBox::activated, this, [this, slot, box](int index) {
            if (m_updating)
                return;
            m_model->itemPicked(slot, box->itemText(index));
            showSlots();  // "+Insert" and "-Delete" are never left in a box
        });
        connect(box, &QComboBox::editTextChanged, this, [this, slot](const QString &text) {
            if (!m_updating)
                m_model->setSlotText(slot, text);
        });
        m_slots << box;
    }
    connect(model, &PlaylistModel::listChanged, this, &PlaylistEditor::refillLists);
    connect(model, &PlaylistModel::slotsChanged, this, &PlaylistEditor::showSlots);
    refillLists();
}

void PlaylistEditor::refillLists()
{
    m_updating = true;
    for (int slot = 0; slot < m_slots.size(); ++slot) {
        m_slots[slot]->clear();
        m_slots[slot]->addItems(m_model->listItems());
        m_labels[slot]->setText(m_model->slotLabel(slot));
    }
    m_updating = false;
    showSlots();
}

void PlaylistEditor::showSlots()
{
    m_updating = true;
    for (int slot = 0; slot < m_slots.size(); ++slot) {
        QComboBox *box = m_slots[slot];
        const QString text = m_model->slotText(slot);
        if (box->currentText() != text)
            box->setEditText(text);
    }
    m_updating = false;
}

int PlaylistEditor::slotOf(QObject *object) const
{
    for (int slot = 0; slot < m_slots.size(); ++slot) {
        if (object == m_slots[slot] || object == m_slots[slot]->lineEdit())
            return slot;
    }
    return -1;
}

bool PlaylistEditor::eventFilter(QObject *watched, QEvent *event)
{
    if (event->type() == QEvent::FocusIn) {
        // Focus coming back from the box's own list or from another window is not
        // the slot receiving the focus: lastValue keeps the text it had before.
        const auto reason = static_cast<QFocusEvent *>(event)->reason();
        const int slot = slotOf(watched);
        if (slot >= 0 && reason != Qt::PopupFocusReason && reason != Qt::ActiveWindowFocusReason)
            m_model->slotFocused(slot);
    }
    return QWidget::eventFilter(watched, event);
}

void PlaylistEditor::closeEvent(QCloseEvent *event)
{
    // The model goes with the window: let nothing reach it from here on.
    disconnect(m_model, nullptr, this, nullptr);
    for (QComboBox *box : m_slots)
        box->disconnect(this);
    event->accept();
    emit closed();
}
