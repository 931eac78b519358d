#include "settings/csetmain.h"

#include <QButtonGroup>
#include <QCheckBox>
#include <QGroupBox>
#include <QHBoxLayout>
#include <QLineEdit>
#include <QPushButton>
#include <QRadioButton>
#include <QVBoxLayout>

#include "core/appsettings.h"
#include "core/fileassociation.h"
#include "core/settingsstore.h"
#include "core/shellservices.h"
#include "core/userprompts.h"

namespace Duovue
{

CSetMain::CSetMain(const SettingsStore &store,
    UserPrompts &prompts,
    ShellServices &shell,
    const FileAssociation &association,
    const QWidget *mainWindow,
    QWidget *parent)
    : QWidget(parent)
    , m_prompts(prompts)
    , m_shell(shell)
    , m_fileAssociation(association)
    , m_mainWindow(mainWindow)
{
    m_placement.build(QStringLiteral("ウインドウの起動位置とサイズ"),
        {QStringLiteral("左上のX座標を設定します。"),
            QStringLiteral("左上のY座標を設定します。"),
            QStringLiteral("ウインドウの幅を設定します。"),
            QStringLiteral("ウインドウの高さを設定します。")},
        QStringLiteral("現在の位置とサイズを取得 (&G)"),
        this);
    connect(m_placement.capture, &QPushButton::clicked, this, &CSetMain::captureWindowRect);

    auto *startBox = new QGroupBox(QStringLiteral("起動時の表示/非表示"), this);
    m_toolbar = new QCheckBox(QStringLiteral("ツールバー (&T)"), startBox);
    m_toolbar->setToolTip(QStringLiteral("起動時のツールバーの表示/非表示を設定します。"));
    (new QVBoxLayout(startBox))->addWidget(m_toolbar);

    auto *associationBox = new QGroupBox(QStringLiteral("duovファイルの関連付け"), this);
    auto *associate = new QRadioButton(QStringLiteral("関連付けする (&I)"), associationBox);
    associate->setToolTip(QStringLiteral("関連付けをします。"));
    auto *removeRadio = new QRadioButton(QStringLiteral("関連付けをはずす (&O)"), associationBox);
    removeRadio->setToolTip(QStringLiteral("関連付けをはずします。"));
    m_association = new QButtonGroup(associationBox);
    m_association->addButton(associate, 0);
    m_association->addButton(removeRadio, 1);
    m_applyAssociation = new QPushButton(QStringLiteral("設定 (&P)"), associationBox);
    m_applyAssociation->setToolTip(QStringLiteral("関連付けを設定します。"));
    m_applyAssociation->setAutoDefault(false);
    connect(m_applyAssociation, &QPushButton::clicked, this, &CSetMain::applyAssociation);
    auto *associationLayout = new QHBoxLayout(associationBox);
    auto *radios = new QVBoxLayout;
    radios->addWidget(associate);
    radios->addWidget(removeRadio);
    associationLayout->addLayout(radios);
    associationLayout->addStretch();
    associationLayout->addWidget(m_applyAssociation, 0, Qt::AlignVCenter);

    auto *layout = new QVBoxLayout(this);
    layout->setContentsMargins(0, 0, 0, 0);
    layout->addWidget(m_placement.box);
    layout->addWidget(startBox);
    layout->addWidget(associationBox);
    layout->addStretch();

    m_placement.load(store,
        AppSettings::MainPlacement(),
        AppSettings::MainLeft(),
        AppSettings::MainTop(),
        AppSettings::MainWidth(),
        AppSettings::MainHeight());
    m_showToolbar = store.value(AppSettings::ShowToolbar());
    m_toolbar->setChecked(m_showToolbar != 0);
    // The stored choice is never read back: the page always offers to associate.
    associate->setChecked(true);
}

FieldError CSetMain::readControls()
{
    if (FieldError e = m_placement.read())
        return e;
    m_showToolbar = m_toolbar->isChecked() ? 1 : 0;
    m_associationChoice = m_association->checkedId() == 1 ? 1 : 0;
    return {};
}

Result<void> CSetMain::write(SettingsStore &store) const
{
    return SettingsFields::writeInOrder(store,
        {
            {AppSettings::MainPlacement(), m_placement.placement},
            {AppSettings::MainLeft(), m_placement.leftValue},
            {AppSettings::MainTop(), m_placement.topValue},
            {AppSettings::MainWidth(), m_placement.widthValue},
            {AppSettings::MainHeight(), m_placement.heightValue},
            {AppSettings::ShowToolbar(), m_showToolbar},
            {AppSettings::AssociationChoice(), m_associationChoice},
        });
}

void CSetMain::captureWindowRect()
{
    if (!m_mainWindow)
        return;
    // The outer rectangle, frame included: the main window is placed by it at start.
    const QRect r = m_mainWindow->frameGeometry();
    SettingsFields::setNumber(m_placement.left, r.left());
    SettingsFields::setNumber(m_placement.top, r.top());
    SettingsFields::setNumber(m_placement.width, r.width());
    SettingsFields::setNumber(m_placement.height, r.height());
}

void CSetMain::applyAssociation()
{
    const int choice = m_association->checkedId() == 1 ? 1 : 0;
    const AssociationOutcome outcome = m_fileAssociation.apply(choice, m_shell);
    const QString caption = QStringLiteral("関連付け");
    if (outcome.isFailure())
        m_prompts.error(outcome.message(), Captions::error());
    else if (outcome.isBlocked())
        m_prompts.warning(outcome.message(), caption);
    else
        m_prompts.information(outcome.message(), caption);
}

} // namespace Duovue
