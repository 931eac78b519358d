#include "search/ccheckdlg.h"

#include <QButtonGroup>
#include <QGroupBox>
#include <QPushButton>
#include <QRadioButton>
#include <QVBoxLayout>

#include "core/appsettings.h"
#include "core/logging.h"
#include "core/settingsstore.h"
#include "search/checkrules.h"
#include "widgets/tooltipstyle.h"

namespace Duovue
{

CCheckDlg::CCheckDlg(int storedRule, QWidget *parent)
    : QDialog(parent)
    , m_storedRule(storedRule >= 0 && storedRule < CheckRules::RuleCount ? storedRule : 0)
{
    setObjectName(QStringLiteral("CCheckDlg"));
    setWindowTitle(QStringLiteral("自動チェック"));
    struct Item {
        const char16_t *caption;
        const char16_t *tip;
    };
    static constexpr Item items[] = {
        {u"チェックしない(&N)", u"どれにもチェックしません。"},
        {u"ファイルサイズが大きいもの(&L)", u"ファイルサイズが大きいものを残します。"},
        {u"ファイルサイズが小さいもの(&S)", u"ファイルサイズが小さいものを残します。"},
        {u"更新日時が新しいもの(&N)", u"更新日時が新しいものを残します。"},
        {u"更新日時が古いもの(&O)", u"更新日時が古いものを残します。"},
        {u"幅が大きいもの(&W)", u"幅が大きいものを残します。"},
        {u"幅が小さいもの(&D)", u"幅が小さいものを残します。"},
    };
    auto *box = new QGroupBox(QStringLiteral("自動チェック項目"), this);
    auto *boxLayout = new QVBoxLayout(box);
    auto *group = new QButtonGroup(this);
    for (int rule = 0; rule < CheckRules::RuleCount; ++rule) {
        auto *radio = new QRadioButton(QString::fromUtf16(items[rule].caption), box);
        radio->setToolTip(QString::fromUtf16(items[rule].tip));
        group->addButton(radio, rule);
        boxLayout->addWidget(radio);
        m_radios[std::size_t(rule)] = radio;
    }
    m_radios[std::size_t(m_storedRule)]->setChecked(true);

    m_decide = new QPushButton(QStringLiteral("決定(&Z)"), this);
    m_decide->setToolTip(QStringLiteral("現在の設定でチェックしていきます。"));
    m_decide->setDefault(true);
    m_decide->setAutoDefault(true);
    connect(m_decide, &QPushButton::clicked, this, &QDialog::accept);

    auto *layout = new QVBoxLayout(this);
    layout->addWidget(box);
    layout->addWidget(m_decide, 0, Qt::AlignHCenter);
    layout->setSizeConstraint(QLayout::SetFixedSize);
    setTooltipDelay(this);
}

int CCheckDlg::chosenRule() const
{
    if (result() != QDialog::Accepted)
        return m_storedRule;
    for (int rule = 0; rule < CheckRules::RuleCount; ++rule) {
        if (m_radios[std::size_t(rule)]->isChecked())
            return rule;
    }
    return m_storedRule;
}

int CCheckDlg::ask(SettingsStore &settings, QWidget *parent)
{
    CCheckDlg dialog(settings.value(AppSettings::AutoCheckRule()), parent);
    dialog.exec();
    const int rule = dialog.chosenRule();
    warnIfFailed(lcSearch(), settings.setValue(AppSettings::AutoCheckRule(), rule));
    return rule;
}

} // namespace Duovue
