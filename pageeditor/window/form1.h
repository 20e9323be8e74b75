#pragma once
// The page editor's window Form1: one page in the rich-text box, the paging bar
// below it, the page's five texts and the feature placement at its right, and
// beside it the edit tools window and the wait window.
//
// Pages are read and written by PageRecords (the engine through its flat
// interface). A page with changes that are not saved is never left silently:
// paging away from it or closing the window asks whether to save them.
#include "pageeditor/core/pagerecords.h"
#include "pageeditor/core/quilletconfig.h"
#include "platform/dialogs.h"
#include "platform/launcher.h"

#include <QWidget>

#include <functional>

class QCheckBox;
class QFrame;
class QLabel;
class QLineEdit;
class QPushButton;
class EditTools;
class FrmSplash;
class RichTextBox;

namespace platform {
class MovieControl;
}

class Form1 : public QWidget {
    Q_OBJECT
public:
    enum class SaveChoice { Save, Discard, Cancel };
    // Asks whether to save the changes of the page named; the real one is a
    // message box with Save, Discard and Cancel.
    using SaveQuestion = std::function<SaveChoice(const QString &page)>;

    Form1(QString folder, platform::Dialogs &dialogs, platform::Launcher &launcher,
          pageeditor::OrvexLibrary &library = pageeditor::OrvexLibrary::besideProgram(),
          QWidget *parent = nullptr);
    ~Form1() override;

    void setSaveQuestion(SaveQuestion question) { m_askToSave = std::move(question); }

    // Start-up with the configuration: place, caption, database, switches; tells
    // once what was wrong with the configuration; loads the page in var_name.
    void startUp(const pageeditor::QuilletConfig &config);

    // Lays the controls out for the window's size.
    void sizeit();

    // Page operations, as the buttons run them.
    void gopage();
    bool saveit();
    void loadfeature();
    void forward();
    void back();
    void home();
    void go();
    void getNNext();
    void saveZap();
    void createQuilletDb();
    void startWordpad();
    void setSelectionAlignment(Qt::Alignment alignment);
    void toggleBold();

    // True when the page shown has changes that are not saved.
    bool pageModified() const;

    QString databaseName() const { return m_database; }
    RichTextBox *RichTextBox1() const { return m_text; }
    QFrame *Frame1() const { return m_bar; }
    QLineEdit *var_name() const { return m_pageNumber; }
    QLabel *status() const { return m_status; }
    QCheckBox *clickNav() const { return m_clickNav; }
    QLineEdit *box(const QString &name) const;
    QPushButton *button(const QString &name) const;
    EditTools *editTools() const { return m_edit; }
    FrmSplash *waitWindow() const { return m_splash; }
    platform::MovieControl *featureMovie() const { return m_movie; }

protected:
    void resizeEvent(QResizeEvent *event) override;
    void closeEvent(QCloseEvent *event) override;

private:
    void buildBar();
    void buildPageData();
    QPushButton *addButton(QWidget *parent, const QString &name, const QString &caption, int left,
                           int top, int width, int height);
    QLineEdit *addBox(const QString &name, const QString &text, int left, int top, int width);
    void addLabel(QWidget *parent, const QString &name, const QString &caption, int left, int top,
                  int width, int height);
    void letEventsRun();
    void showWait();
    void hideWait();
    bool maySwitchPage();
    void step(int delta, QPushButton *hiddenButton);
    void clickReleased(Qt::MouseButton button);
    bool savePage(const QString &page);
    void loadPage(bool markLoading);
    void showBody(const QByteArray &bytes);
    void markSaved();

    QString m_folder;
    platform::Dialogs &m_dialogs;
    platform::Launcher &m_launcher;
    QString m_title = QStringLiteral("quillet2");  // before m_records, which takes it
    pageeditor::PageRecords m_records;
    QString m_database = QStringLiteral("pages.odb");
    QString m_loadedPage;  // the number of the page shown, whatever var_name holds now
    SaveQuestion m_askToSave;

    RichTextBox *m_text = nullptr;
    QFrame *m_bar = nullptr;
    QLineEdit *m_pageNumber = nullptr;
    QLabel *m_status = nullptr;
    QCheckBox *m_clickNav = nullptr;
    QPushButton *m_back = nullptr;
    QPushButton *m_fwd = nullptr;
    QPushButton *m_ed = nullptr;
    QWidget *m_pageData = nullptr;
    EditTools *m_edit = nullptr;
    FrmSplash *m_splash = nullptr;
    platform::MovieControl *m_movie = nullptr;
};
