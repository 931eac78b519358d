#include "search/ccmpdlg.h"

#include <QButtonGroup>
#include <QCheckBox>
#include <QCloseEvent>
#include <QDragEnterEvent>
#include <QDropEvent>
#include <QFileInfo>
#include <QGridLayout>
#include <QGroupBox>
#include <QHBoxLayout>
#include <QLabel>
#include <QMimeData>
#include <QPushButton>
#include <QRadioButton>
#include <QSlider>
#include <QUrl>
#include <QVBoxLayout>

#include "core/appsettings.h"
#include "core/logging.h"
#include "core/sessionstate.h"
#include "core/settingsstore.h"
#include "core/userprompts.h"
#include "document/cduovuedoc.h"
#include "lists/droppedpaths.h"
#include "search/keycache.h"
#include "widgets/tooltipstyle.h"

namespace Duovue
{

CFolderDropEdit::CFolderDropEdit(QWidget *parent)
    : QLineEdit(parent)
{
    setAcceptDrops(true);
}

QString CFolderDropEdit::droppedFolder(const QMimeData *mime)
{
    if (!mime || !mime->hasUrls())
        return QString();
    const QList<QUrl> urls = mime->urls();
    if (urls.size() != 1 || !urls.first().isLocalFile())
        return QString();
    const QFileInfo info(urls.first().toLocalFile());
    return info.isDir() ? info.absoluteFilePath() : QString();
}

void CFolderDropEdit::dragEnterEvent(QDragEnterEvent *event)
{
    DroppedPaths::acceptAsCopy(event, !droppedFolder(event->mimeData()).isEmpty());
}

void CFolderDropEdit::dragMoveEvent(QDragMoveEvent *event)
{
    DroppedPaths::acceptAsCopy(event, !droppedFolder(event->mimeData()).isEmpty());
}

void CFolderDropEdit::dropEvent(QDropEvent *event)
{
    const QString folder = droppedFolder(event->mimeData());
    if (DroppedPaths::acceptAsCopy(event, !folder.isEmpty()))
        setText(folder);
}

CCmpDlg::CCmpDlg(const CommandContext &context)
    : QDialog(context.parent)
    , m_context(context)
    , m_settings(context.settings)
    , m_prompts(context.prompts)
{
    setObjectName(QStringLiteral("CCmpDlg"));
    setWindowTitle(QStringLiteral("類似画像検索"));

    auto *folderBox = new QGroupBox(QStringLiteral("フォルダ設定"), this);
    m_select = new QPushButton(QStringLiteral("フォルダ選択(&F)"), folderBox);
    m_select->setToolTip(QStringLiteral("フォルダ選択ダイアログを表示し、フォルダを選択します。"));
    m_subfolders = new QCheckBox(QStringLiteral("サブフォルダも含める(&S)"), folderBox);
    m_subfolders->setToolTip(QStringLiteral("サブフォルダを含める場合にチェックして下さい。"));
    m_folder = new CFolderDropEdit(folderBox);
    m_folder->setAccessibleName(QStringLiteral("フォルダ名"));
    m_folder->setToolTip(QStringLiteral("重複チェックをするフォルダ名です。"));
    m_folder->setMinimumWidth(320);
    auto *folderLayout = new QGridLayout(folderBox);
    folderLayout->addWidget(m_select, 0, 0);
    folderLayout->addWidget(m_subfolders, 0, 1);
    folderLayout->addWidget(m_folder, 1, 0, 1, 2);

    auto *methodBox = new QGroupBox(QStringLiteral("比較方式"), this);
    m_hash = new QRadioButton(QStringLiteral("ハッシュ(&H)"), methodBox);
    // Each tooltip says what its method is for: the bitmap method groups unrelated dark or flat
    // pictures, so the user must know which one to trust with an auto-check.
    m_hash->setToolTip(QStringLiteral("重複ファイルをCRC32ハッシュを使って検索します。") + QLatin1Char('\n')
        + tr("内容がまったく同じファイルだけを探します。画像として読めないファイルも比べられます。"));
    m_bitmap = new QRadioButton(QStringLiteral("ビットマップ(&B)"), methodBox);
    m_bitmap->setToolTip(QStringLiteral("重複ファイルをビットマップを使って検索します。") + QLatin1Char('\n')
        + tr("縮小して白黒にした画像が一致するものを探します。暗い画像や平坦な画像は、別の画像どうしでもまとめられる"
             "ことがあります。結果を確かめてから削除してください。"));
    m_similar = new QRadioButton(QStringLiteral("類似(&V)"), methodBox);
    m_similar->setToolTip(QStringLiteral("重複ファイルを画像の類似度を使って検索します。") + QLatin1Char('\n')
        + tr("保存し直したもの、大きさや形式を変えたものなど、同じ画像のコピーを探します。よく似た別の写真はまとめ"
             "ません。ふだんはこの方式を使ってください。"));
    m_methodGroup = new QButtonGroup(this);
    m_methodGroup->addButton(m_hash, int(SearchMethod::Hash));
    m_methodGroup->addButton(m_bitmap, int(SearchMethod::Bitmap));
    m_methodGroup->addButton(m_similar, int(SearchMethod::Similar));
    m_precision = new QSlider(Qt::Horizontal, methodBox);
    // A screen reader would otherwise name the slider after its group box.
    m_precision->setAccessibleName(QStringLiteral("検出精度"));
    m_precision->setRange(10, 20);
    m_precision->setTickPosition(QSlider::TicksBelow);
    m_precision->setTickInterval(1);
    m_precision->setPageStep(1);
    m_precision->setToolTip(QStringLiteral("検出精度を設定します。"));
    auto *scale = new QLabel(QStringLiteral("← 荒い　　　　　　 検出精度　　　　　細かい →"), methodBox);
    scale->setAlignment(Qt::AlignCenter);
    m_greyCopies = new QCheckBox(QStringLiteral("グレースケールのコピーも含める(&G)"), methodBox);
    m_greyCopies->setToolTip(
        QStringLiteral("カラー画像をグレースケールにしたコピーも重複とする場合にチェックして下さい。"));
    auto *methodLayout = new QVBoxLayout(methodBox);
    auto *radios = new QHBoxLayout;
    radios->addWidget(m_hash);
    radios->addWidget(m_bitmap);
    radios->addWidget(m_similar);
    radios->addStretch();
    methodLayout->addLayout(radios);
    methodLayout->addWidget(m_precision);
    methodLayout->addWidget(scale);
    methodLayout->addWidget(m_greyCopies);

    auto *runBox = new QGroupBox(QStringLiteral("実行"), this);
    m_status = new QLabel(QStringLiteral("現在の処理状態"), runBox);
    m_status->setToolTip(QStringLiteral("ここに実行中の情報が表示されます。"));
    m_status->setFrameShape(QFrame::StyledPanel);
    m_status->setFrameShadow(QFrame::Sunken);
    m_count = new QLabel(QStringLiteral("処理数"), runBox);
    m_count->setToolTip(QStringLiteral("ここに実行中の状況が表示されます。"));
    m_count->setFrameShape(QFrame::StyledPanel);
    m_count->setFrameShadow(QFrame::Sunken);
    m_start = new QPushButton(QStringLiteral("開始(&R)"), runBox);
    m_start->setToolTip(QStringLiteral("現在の設定で重複チェックをします。"));
    m_abort = new QPushButton(QStringLiteral("中止(&A)"), runBox);
    m_abort->setToolTip(QStringLiteral("重複チェックを中止します。"));
    m_abort->setEnabled(false);
    m_close = new QPushButton(QStringLiteral("閉じる(&C)"), runBox);
    m_close->setToolTip(QStringLiteral("重複チェックダイアログを閉じます。"));
    m_close->setDefault(true);
    auto *runLayout = new QGridLayout(runBox);
    runLayout->addWidget(m_status, 0, 0, 1, 3);
    runLayout->addWidget(m_count, 1, 0, 1, 3);
    runLayout->addWidget(m_start, 2, 0);
    runLayout->addWidget(m_abort, 2, 1);
    runLayout->addWidget(m_close, 2, 2);

    auto *layout = new QVBoxLayout(this);
    layout->addWidget(folderBox);
    layout->addWidget(methodBox);
    layout->addWidget(runBox);
    layout->setSizeConstraint(QLayout::SetFixedSize);

    m_subfolders->setChecked(m_settings.value(AppSettings::SearchSubfolders()) != 0);
    m_folder->setText(m_settings.value(AppSettings::SearchFolder()));
    // Values this version does not know (a later one's methods) fall back to the similar method,
    // the default: the only one that neither misses re-encoded copies nor groups look-alikes.
    const int stored = m_settings.value(AppSettings::SearchMethod());
    QRadioButton *chosen = m_similar;
    if (stored == int(SearchMethod::Hash))
        chosen = m_hash;
    else if (stored == int(SearchMethod::Bitmap))
        chosen = m_bitmap;
    chosen->setChecked(true);
    m_precision->setValue(m_settings.value(AppSettings::SearchPrecision()));
    m_greyCopies->setChecked(m_settings.value(AppSettings::SearchGreyCopies()) != 0);
    updateMethodControls();

    setTooltipDelay(this);

    connect(m_select, &QPushButton::clicked, this, &CCmpDlg::selectFolder);
    connect(m_methodGroup, &QButtonGroup::idClicked, this, &CCmpDlg::updateMethodControls);
    connect(m_start, &QPushButton::clicked, this, &CCmpDlg::start);
    connect(m_abort, &QPushButton::clicked, this, &CCmpDlg::abortSearch);
    connect(m_close, &QPushButton::clicked, this, &CCmpDlg::accept);
    connect(&m_driver, &SearchDriver::progressChanged, this, &CCmpDlg::showProgress);
    connect(&m_driver, &SearchDriver::finished, this, &CCmpDlg::searchFinished);
}

CCmpDlg::~CCmpDlg()
{
    m_driver.cancel();
    // Written however the dialog ends; a failed write leaves the old values, nothing else.
    warnIfFailed(lcSearch(), m_settings.setValue(AppSettings::SearchSubfolders(), m_subfolders->isChecked() ? 1 : 0));
    warnIfFailed(lcSearch(), m_settings.setValue(AppSettings::SearchFolder(), m_folder->text()));
    warnIfFailed(lcSearch(), m_settings.setValue(AppSettings::SearchMethod(), int(method())));
    warnIfFailed(lcSearch(), m_settings.setValue(AppSettings::SearchPrecision(), m_precision->value()));
    warnIfFailed(lcSearch(), m_settings.setValue(AppSettings::SearchGreyCopies(), m_greyCopies->isChecked() ? 1 : 0));
}

SearchMethod CCmpDlg::method() const
{
    return m_hash->isChecked()  ? SearchMethod::Hash
        : m_bitmap->isChecked() ? SearchMethod::Bitmap
                                : SearchMethod::Similar;
}

void CCmpDlg::updateMethodControls()
{
    const bool idle = !m_driver.isRunning();
    m_precision->setEnabled(method() != SearchMethod::Hash && idle);
    m_greyCopies->setEnabled(method() == SearchMethod::Similar && idle);
}

void CCmpDlg::selectFolder()
{
    const QString folder = m_prompts.chooseFolder(
        QStringLiteral("画像のあるフォルダを選択してください。"), m_context.session.lastFolder[0], false);
    if (folder.isEmpty())
        return;
    m_context.session.lastFolder[0] = folder;
    m_folder->setText(folder);
}

void CCmpDlg::start()
{
    if (m_driver.isRunning())
        return;
    const QString folder = m_folder->text();
    if (folder.isEmpty()) {
        m_prompts.error(QStringLiteral("フォルダ名が空白です。"), Captions::error());
        return;
    }
    for (QWidget *w : {static_cast<QWidget *>(m_select),
             static_cast<QWidget *>(m_subfolders),
             static_cast<QWidget *>(m_folder),
             static_cast<QWidget *>(m_hash),
             static_cast<QWidget *>(m_bitmap),
             static_cast<QWidget *>(m_similar),
             static_cast<QWidget *>(m_greyCopies),
             static_cast<QWidget *>(m_start),
             static_cast<QWidget *>(m_close),
             static_cast<QWidget *>(m_precision)})
        w->setEnabled(false);
    m_abort->setEnabled(true);
    m_abort->setFocus();
    m_aborted = false;
    m_status->setText(QStringLiteral("ファイルを処理中です。"));
    m_count->setText(QStringLiteral("0"));

    SearchParams params;
    params.folder = folder;
    params.subfolders = m_subfolders->isChecked();
    params.method = method();
    params.reductionSize = m_precision->value();
    params.greyCopies = m_greyCopies->isChecked();
    params.cachePath = KeyCache::defaultPath();
    m_runningMethod = params.method;
    m_driver.start(params);
}

void CCmpDlg::abortSearch()
{
    if (!m_driver.isRunning())
        return;
    m_driver.abort();
    m_aborted = true;
    m_status->setText(QStringLiteral("中止しました。"));
    m_count->setText(QStringLiteral("0"));
}

void CCmpDlg::showProgress(const SearchProgress &progress)
{
    // After an abort the comparison of what was read still runs and shows; the gathering and the
    // reading keep saying that they were aborted.
    if (m_aborted && (progress.phase == SearchPhase::Files || progress.phase == SearchPhase::Keys))
        return;
    m_status->setText(SearchResults::statusText(progress));
    m_count->setText(SearchResults::countText(progress));
}

void CCmpDlg::searchFinished()
{
    const SearchOutcome outcome = m_driver.takeOutcome();
    m_abort->setEnabled(false); // nothing left to abort while the result is shown
    m_applied = m_context.document.applySearchResults(outcome.grouping, m_runningMethod);
    m_prompts.information(
        SearchResults::message(m_applied, outcome, SearchResults::NamedUnreadableFiles), Captions::result());
    // A finished search always closes the dialog, as a cancel would.
    QDialog::reject();
}

void CCmpDlg::reject()
{
    // While a search runs only the abort button ends it; Escape and the window's close do nothing.
    if (m_driver.isRunning())
        return;
    QDialog::reject();
}

void CCmpDlg::closeEvent(QCloseEvent *event)
{
    if (m_driver.isRunning()) {
        event->ignore();
        return;
    }
    QDialog::closeEvent(event);
}

} // namespace Duovue
