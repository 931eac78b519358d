#include "settings/csettingdlg.h"

#include <QComboBox>
#include <QDialogButtonBox>
#include <QGridLayout>
#include <QHBoxLayout>
#include <QKeyEvent>
#include <QLabel>
#include <QLineEdit>
#include <QPushButton>
#include <QShowEvent>
#include <QVBoxLayout>

#include "core/appsettings.h"
#include "core/settingsstore.h"
#include "core/userprompts.h"
#include "settings/csetgou.h"
#include "settings/csetmain.h"
#include "settings/csetmiku.h"
#include "widgets/tooltipstyle.h"

namespace Duovue
{

namespace
{

const QString ValidationCaption = QStringLiteral("Duovue");
constexpr int MinWidth = 800;
constexpr int MinHeight = 600;

// The size field a placed window refuses (the width first), or nullptr.
QLineEdit *tooSmall(const SettingsFields::Placement &p)
{
    if (p.placement == 0)
        return nullptr;
    if (p.widthValue < MinWidth)
        return p.width;
    return p.heightValue < MinHeight ? p.height : nullptr;
}

} // namespace

CSettingDlg::CSettingDlg(SettingsStore &store,
    UserPrompts &prompts,
    ShellServices &shell,
    const FileAssociation &association,
    QWidget *mainWindow)
    : QDialog(mainWindow)
    , m_store(store)
    , m_prompts(prompts)
{
    setWindowTitle(QStringLiteral("環境設定"));

    m_pageList = new QComboBox(this);
    m_pageList->addItems(
        {QStringLiteral("メインウインドウ"), QStringLiteral("合成ウインドウ"), QStringLiteral("見比べウインドウ")});
    m_pageList->setToolTip(QStringLiteral("設定したい項目を選択してください。"));
    m_pageList->setAccessibleName(QStringLiteral("設定項目"));
    auto *label = new QLabel(QStringLiteral("設定項目"), this);
    label->setBuddy(m_pageList);

    // Every page sits in the same place; at most one is visible.
    auto *placeholder = new QWidget(this);
    auto *pages = new QGridLayout(placeholder);
    pages->setContentsMargins(0, 0, 0, 0);
    m_main = new CSetMain(store, prompts, shell, association, mainWindow, placeholder);
    m_compose = new CSetGou(store, placeholder);
    m_viewer = new CSetMiku(store, placeholder);
    for (QWidget *p :
        {static_cast<QWidget *>(m_main), static_cast<QWidget *>(m_compose), static_cast<QWidget *>(m_viewer)}) {
        pages->addWidget(p, 0, 0);
        p->hide();
        p->installEventFilter(this);
    }
    m_placeholder = placeholder;

    auto *buttons = new QDialogButtonBox(this);
    QPushButton *ok = buttons->addButton(QStringLiteral("設　定 (&Z)"), QDialogButtonBox::AcceptRole);
    ok->setToolTip(QStringLiteral("現在の内容で設定して終了します。"));
    ok->setDefault(true);
    QPushButton *cancel = buttons->addButton(QStringLiteral("キャンセル (&C)"), QDialogButtonBox::RejectRole);
    cancel->setToolTip(QStringLiteral("現在の内容を破棄して終了します。"));
    connect(buttons, &QDialogButtonBox::accepted, this, &CSettingDlg::accept);
    connect(buttons, &QDialogButtonBox::rejected, this, &CSettingDlg::reject);

    auto *top = new QHBoxLayout;
    top->addWidget(label);
    top->addWidget(m_pageList);
    top->addStretch();
    auto *layout = new QVBoxLayout(this);
    layout->addLayout(top);
    layout->addWidget(placeholder, 1);
    layout->addWidget(buttons);

    // The dialog's and every page's tooltips wait 900 ms, like those of the other dialogs.
    setTooltipDelay(this);

    // A remembered page outside the list opens the dialog with no page until one is chosen.
    const int remembered = store.value(AppSettings::SettingsPage());
    m_pageList->setCurrentIndex(remembered >= 0 && remembered < PageCount ? remembered : -1);
    showPage(m_pageList->currentIndex());
    connect(m_pageList, &QComboBox::currentIndexChanged, this, &CSettingDlg::showPage);
}

CSettingDlg::~CSettingDlg() = default;

void CSettingDlg::showEvent(QShowEvent *event)
{
    // The placeholder is as large as the largest page, so the dialog keeps its size between pages.
    // Only now are the pages' fonts and margins those they are shown with.
    QSize largest;
    for (int i = 0; i < PageCount; ++i) {
        QWidget *p = page(i);
        p->ensurePolished();
        if (p->layout())
            p->layout()->activate();
        largest = largest.expandedTo(p->sizeHint());
    }
    m_placeholder->setMinimumSize(largest);
    QDialog::showEvent(event);
}

int CSettingDlg::currentPage() const
{
    return m_pageList->currentIndex();
}

QWidget *CSettingDlg::page(int index) const
{
    switch (index) {
    case 0:
        return m_main;
    case 1:
        return m_compose;
    case 2:
        return m_viewer;
    default:
        return nullptr;
    }
}

void CSettingDlg::showPage(int index)
{
    for (int i = 0; i < PageCount; ++i)
        page(i)->setVisible(i == index);
}

void CSettingDlg::refuse(int pageIndex, const FieldError &error)
{
    m_prompts.warning(error.message, ValidationCaption);
    focusField(pageIndex, error.field);
}

void CSettingDlg::focusField(int pageIndex, QLineEdit *field)
{
    // The offending field may sit on a page that is not shown; show it, so the focus can reach it.
    if (m_pageList->currentIndex() != pageIndex)
        m_pageList->setCurrentIndex(pageIndex);
    field->setFocus(Qt::OtherFocusReason);
    field->selectAll();
}

void CSettingDlg::accept()
{
    // The pages are read in the order their values are written.
    if (FieldError e = m_compose->readControls())
        return refuse(1, e);
    if (FieldError e = m_main->readControls())
        return refuse(0, e);
    if (FieldError e = m_viewer->readControls())
        return refuse(2, e);

    if (QLineEdit *field = tooSmall(m_main->placementFields())) {
        m_prompts.error(QStringLiteral("メインウインドウのサイズは、幅800、高さ600以上に設定してください"),
            QStringLiteral("エラー"));
        return focusField(0, field);
    }
    if (QLineEdit *field = tooSmall(m_viewer->placementFields())) {
        m_prompts.error(QStringLiteral("見比べウインドウのサイズは、幅800、高さ600以上に設定してください"),
            QStringLiteral("エラー"));
        return focusField(2, field);
    }

    Result<void> written = m_compose->write(m_store);
    if (written)
        written = m_main->write(m_store);
    if (written)
        written = m_viewer->write(m_store);
    if (!written) {
        m_prompts.error(
            QStringLiteral("設定を保存できませんでした。\r\n%1").arg(written.error().message), Captions::error());
        return;
    }
    QDialog::accept();
}

void CSettingDlg::done(int result)
{
    // Remembering the page is a convenience; a store that cannot be written was reported by OK.
    (void)m_store.setValue(AppSettings::SettingsPage(), m_pageList->currentIndex());
    QDialog::done(result);
}

bool CSettingDlg::eventFilter(QObject *watched, QEvent *event)
{
    // Enter inside a page neither confirms nor closes the dialog; on the dialog's own controls it
    // presses the default button. A page sees the key on its way up from the control that ignored it.
    if (event->type() == QEvent::KeyPress) {
        const auto *key = static_cast<QKeyEvent *>(event);
        if ((key->key() == Qt::Key_Return || key->key() == Qt::Key_Enter) && key->modifiers() == Qt::NoModifier) {
            for (const QWidget *p :
                {static_cast<QWidget *>(m_main), static_cast<QWidget *>(m_compose), static_cast<QWidget *>(m_viewer)}) {
                if (watched == p)
                    return true;
            }
        }
    }
    return QDialog::eventFilter(watched, event);
}

} // namespace Duovue
