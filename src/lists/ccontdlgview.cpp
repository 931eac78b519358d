#include "lists/ccontdlgview.h"

#include <QButtonGroup>
#include <QCheckBox>
#include <QGridLayout>
#include <QLabel>
#include <QPushButton>
#include <QRadioButton>

#include "core/appsettings.h"
#include "core/logging.h"
#include "core/sessionstate.h"
#include "core/settingsstore.h"
#include "document/cduovuedoc.h"
#include "lists/browseforfolder.h"
#include "lists/textformats.h"

namespace Duovue
{

CContDlgView::CContDlgView(int side, const CommandContext &context, FillProgress &progress, QWidget *parent)
    : QWidget(parent)
    , m_side(side)
    , m_context(context)
    , m_progress(progress)
{
    setObjectName(QStringLiteral("ControlForm%1").arg(side));
    m_new = new QRadioButton(QStringLiteral("新規 (&N)"), this);
    m_new->setObjectName(QStringLiteral("NewRadio"));
    m_add = new QRadioButton(QStringLiteral("追加 (&A)"), this);
    m_add->setObjectName(QStringLiteral("AddRadio"));
    auto *group = new QButtonGroup(this);
    group->addButton(m_new, 0);
    group->addButton(m_add, 1);
    m_new->setChecked(true);
    m_subfolders = new QCheckBox(QStringLiteral("サブフォルダも含める (&S)"), this);
    m_subfolders->setObjectName(QStringLiteral("SubfolderBox"));
    m_subfolders->setChecked(m_context.settings.value(AppSettings::IncludeSubfolders(side)) != 0);
    m_folder = new QPushButton(QStringLiteral("フォルダ選択 (&T)"), this);
    m_folder->setObjectName(QStringLiteral("FolderButton"));
    m_total = new QLabel(this);
    m_total->setObjectName(QStringLiteral("TotalLabel"));
    m_selected = new QLabel(this);
    m_selected->setObjectName(QStringLiteral("SelectedLabel"));
    setTotalCount(0);
    setSelectedCount(0);

    // Compact enough for the 110-pixel row the main window gives the form.
    auto *grid = new QGridLayout(this);
    grid->setContentsMargins(10, 4, 10, 4);
    grid->setVerticalSpacing(2);
    grid->setHorizontalSpacing(10);
    grid->addWidget(m_new, 0, 0);
    grid->addWidget(m_add, 0, 1);
    grid->addWidget(m_folder, 0, 3, 2, 1, Qt::AlignVCenter);
    grid->addWidget(m_subfolders, 1, 0, 1, 3);
    grid->addWidget(m_total, 2, 0, 1, 4);
    grid->addWidget(m_selected, 3, 0, 1, 4);
    grid->setColumnStretch(2, 1);
    grid->setRowStretch(4, 1);
    grid->setSizeConstraint(QLayout::SetNoConstraint);

    connect(m_folder, &QPushButton::clicked, this, &CContDlgView::chooseFolder);

    const CDuovueDoc &document = m_context.document;
    const auto countChanged = [this, &document](int changedSide) {
        if (changedSide == m_side)
            setTotalCount(static_cast<int>(document.fileList(m_side).size()));
    };
    connect(&document, &CDuovueDoc::listReset, this, countChanged);
    connect(&document, &CDuovueDoc::rowsInserted, this, countChanged);
    connect(&document, &CDuovueDoc::rowsRemoved, this, countChanged);
    setTotalCount(static_cast<int>(document.fileList(m_side).size()));
    // A side that a list command emptied starts over: the next folder choice makes a new list.
    connect(&document, &CDuovueDoc::sideEmptied, this, [this](int emptied) {
        if (emptied == m_side)
            setNewMode();
    });
}

CContDlgView::~CContDlgView()
{
    // Written as the window closes: a failed write keeps the old value and there is no one to tell.
    warnIfFailed(lcLists(),
        m_context.settings.setValue(AppSettings::IncludeSubfolders(m_side), m_subfolders->isChecked() ? 1 : 0));
}

QSize CContDlgView::sizeHint() const
{
    return QSize(FormWidth, 120);
}

QSize CContDlgView::minimumSizeHint() const
{
    // The main window's fixed layout decides the form's size, never the form.
    return QSize(0, 0);
}

FillOptions CContDlgView::options() const
{
    FillOptions o;
    o.mode = m_add->isChecked() ? FillOptions::Mode::Add : FillOptions::Mode::New;
    o.includeSubfolders = m_subfolders->isChecked();
    return o;
}

void CContDlgView::setNewMode()
{
    m_new->setChecked(true);
}

void CContDlgView::setIncludeSubfolders(bool on)
{
    m_subfolders->setChecked(on);
}

void CContDlgView::setTotalCount(int count)
{
    m_total->setText(TotalItemsText(count));
}

void CContDlgView::setSelectedCount(int count)
{
    m_selected->setText(SelectedItemsText(count));
}

QString CContDlgView::totalText() const
{
    return m_total->text();
}

QString CContDlgView::selectedText() const
{
    return m_selected->text();
}

void CContDlgView::chooseFolder()
{
    const FillOptions fill = options();
    const QString folder = BrowseForFolder(m_context.prompts, m_context.session, BrowseKind::ImageFolder, m_side);
    if (folder.isEmpty())
        return;
    FillFromFolder(m_context.document, m_context.session.abortRequested, m_progress, m_side, fill, folder);
}

} // namespace Duovue
