#include "update/cupdatecheckdlg.h"

#include <QLabel>
#include <QPushButton>
#include <QVBoxLayout>

#include "core/shellservices.h"
#include "core/userprompts.h"
#include "update/cmymain.h"

namespace Duovue
{

namespace
{

const QString IdleText = QStringLiteral("アップデートの有無を調べます。");
const QString BusyText = QStringLiteral("現在チェック中です。\nしばらくお待ちください。");
const QString VersionCheckCaption = QStringLiteral("バージョンチェック");

} // namespace

CUpdateCheckDlg::CUpdateCheckDlg(const QString &baseUrl, UserPrompts &prompts, ShellServices &shell, QWidget *parent)
    : QDialog(parent)
    , m_prompts(prompts)
    , m_shell(shell)
    , m_check(new CMyMain(baseUrl, this))
    , m_text(new QLabel(IdleText, this))
    , m_button(new QPushButton(QStringLiteral("今すぐチェック"), this))
{
    setWindowTitle(QStringLiteral("アップデートチェック"));
    m_text->setAlignment(Qt::AlignCenter);
    m_text->setMinimumHeight(m_text->fontMetrics().lineSpacing() * 2 + 8);
    m_button->setDefault(true);

    auto *layout = new QVBoxLayout(this);
    layout->setContentsMargins(18, 14, 18, 14);
    layout->setSpacing(10);
    layout->addWidget(m_text);
    layout->addWidget(m_button, 0, Qt::AlignHCenter);
    // A small fixed box, as the check needs nothing more.
    layout->setSizeConstraint(QLayout::SetFixedSize);
    m_text->setMinimumWidth(240);

    connect(m_button, &QPushButton::clicked, this, &CUpdateCheckDlg::startCheck);
    connect(m_check, &CMyMain::finished, this, &CUpdateCheckDlg::report);
}

CUpdateCheckDlg::~CUpdateCheckDlg() = default;

void CUpdateCheckDlg::setTimeout(std::chrono::milliseconds timeout)
{
    m_check->setTimeout(timeout);
}

QString CUpdateCheckDlg::text() const
{
    return m_text->text();
}

void CUpdateCheckDlg::startCheck()
{
    if (m_check->isRunning())
        return;
    m_text->setText(BusyText);
    m_button->setEnabled(false);
    m_check->check();
}

void CUpdateCheckDlg::report(const UpdateAnswer &answer)
{
    switch (answer.kind) {
    case UpdateAnswer::Kind::ConnectionError:
        m_prompts.error(QStringLiteral("接続エラー"), Captions::error());
        break;
    case UpdateAnswer::Kind::NoVersionInformation:
        m_prompts.error(QStringLiteral("バージョン情報がありません"), Captions::error());
        break;
    case UpdateAnswer::Kind::NoUpdate:
        m_prompts.information(QStringLiteral("バージョンアップはありません。"), VersionCheckCaption);
        break;
    case UpdateAnswer::Kind::NewerVersion: {
        const QString text = u'"' + QStringLiteral("Version ") + answer.displayVersion + u'"'
            + QStringLiteral(" にバージョンアップしています。\r\nwebページを開きますか？");
        if (m_prompts.question(text, VersionCheckCaption))
            m_shell.launch(m_check->productPageUrl().toString(), ShellServices::Verb::Open);
        break;
    }
    }
    m_text->setText(IdleText);
    m_button->setEnabled(true);
    Q_EMIT checkReported();
}

} // namespace Duovue
