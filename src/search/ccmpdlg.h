#pragma once

#include <QDialog>
#include <QLineEdit>

#include "document/commandcontext.h"
#include "search/searchdriver.h"
#include "search/searchresults.h"

class QButtonGroup;
class QCheckBox;
class QLabel;
class QMimeData;
class QPushButton;
class QRadioButton;
class QSlider;

namespace Duovue
{

/// The folder box of the search dialog: takes a single folder dropped on it.
class CFolderDropEdit final : public QLineEdit
{
    Q_OBJECT

public:
    explicit CFolderDropEdit(QWidget *parent = nullptr);

    /// The folder of a drop, or empty when the drop is not exactly one folder.
    static QString droppedFolder(const QMimeData *mime);

protected:
    void dragEnterEvent(QDragEnterEvent *event) override;
    void dragMoveEvent(QDragMoveEvent *event) override;
    void dropEvent(QDropEvent *event) override;
};

/// The similar-image search dialog ("類似画像検索"): folder, subfolders, method and precision, and
/// the run with its live counts and abort. A finished search writes its result rows into both lists
/// of the context's document, reports through its prompts and closes the dialog.
///
/// Reads its settings ("比較") when built and writes them when destroyed. Its parent is the
/// context's parent. Thread: GUI thread; what the context names must outlive the dialog.
class CCmpDlg final : public QDialog
{
    Q_OBJECT
    Q_DISABLE_COPY_MOVE(CCmpDlg)

public:
    explicit CCmpDlg(const CommandContext &context);
    ~CCmpDlg() override;

    /// What the last search handed to the lists (zero items when none ran or none was found).
    const SearchResults::Applied &applied() const { return m_applied; }
    bool isRunning() const { return m_driver.isRunning(); }

    // Controls, for tests.
    QLineEdit *folderEdit() const { return m_folder; }
    QCheckBox *subfoldersBox() const { return m_subfolders; }
    QRadioButton *hashRadio() const { return m_hash; }
    QRadioButton *bitmapRadio() const { return m_bitmap; }
    QRadioButton *similarRadio() const { return m_similar; }
    QCheckBox *greyCopiesBox() const { return m_greyCopies; }
    QSlider *precisionSlider() const { return m_precision; }
    QPushButton *startButton() const { return m_start; }
    QPushButton *abortButton() const { return m_abort; }
    QPushButton *closeButton() const { return m_close; }
    QPushButton *selectButton() const { return m_select; }
    QLabel *statusLabel() const { return m_status; }
    QLabel *countLabel() const { return m_count; }

public Q_SLOTS:
    void selectFolder();
    void start();
    void abortSearch();
    void reject() override;

protected:
    void closeEvent(QCloseEvent *event) override;

private:
    void updateMethodControls();
    void showProgress(const SearchProgress &progress);
    void searchFinished();
    SearchMethod method() const;

    CommandContext m_context;
    SettingsStore &m_settings;
    UserPrompts &m_prompts;
    SearchDriver m_driver;
    SearchMethod m_runningMethod = SearchMethod::Similar;
    SearchResults::Applied m_applied;
    bool m_aborted = false;

    QPushButton *m_select = nullptr;
    QCheckBox *m_subfolders = nullptr;
    CFolderDropEdit *m_folder = nullptr;
    QRadioButton *m_hash = nullptr;
    QRadioButton *m_bitmap = nullptr;
    QRadioButton *m_similar = nullptr;
    QButtonGroup *m_methodGroup = nullptr;
    QCheckBox *m_greyCopies = nullptr;
    QSlider *m_precision = nullptr;
    QLabel *m_status = nullptr;
    QLabel *m_count = nullptr;
    QPushButton *m_start = nullptr;
    QPushButton *m_abort = nullptr;
    QPushButton *m_close = nullptr;
};

} // namespace Duovue
