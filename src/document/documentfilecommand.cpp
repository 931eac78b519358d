#include "document/documentfilecommand.h"

#include <QDir>
#include <QFileInfo>

#include "core/recentfiles.h"
#include "core/userprompts.h"
#include "document/cduovuedoc.h"
#include "document/documentfile.h"
#include "document/existencecheckrun.h"

namespace Duovue
{

namespace
{

const QString AppCaption = QStringLiteral("Duovue");

QString failure(const QString &message, const QString &path, const QString &reason)
{
    return message + QStringLiteral("\r\n\r\n") + QDir::toNativeSeparators(path) + QStringLiteral("\r\n") + reason;
}

// Why a document could not be opened, in the user's words; the reader's own text names the detail
// for diagnostics (duovue-cli doc check).
QString openReason(const Error &error)
{
    switch (error.code) {
    case Error::Code::NotFound:
        return QStringLiteral("ファイルが見つかりません。");
    case Error::Code::AccessDenied:
        return QStringLiteral("ファイルを開けません。(%1)").arg(error.message);
    case Error::Code::InvalidData:
        return QStringLiteral("Duovue のドキュメントではないか、ドキュメントの先頭が壊れています。");
    case Error::Code::Unsupported:
        return QStringLiteral("ドキュメントが大きすぎます。");
    default:
        return QStringLiteral("ファイルを読み込めません。(%1)").arg(error.message);
    }
}

QString saveReason(const Error &error)
{
    // A name a document cannot hold is explained by the writer itself; the rest are file errors.
    if (error.code == Error::Code::InvalidArgument)
        return error.message;
    return QStringLiteral("ファイルに書き込めません。(%1)").arg(error.message);
}

} // namespace

DocumentFileCommands::DocumentFileCommands(
    const CommandContext &context, RecentFiles &recentFiles, ExistenceCheck::Notice notice)
    : m_context(context)
    , m_recentFiles(recentFiles)
    , m_notice(std::move(notice))
    , m_baseline(storedForm())
{
}

DocumentFileCommands::~DocumentFileCommands() = default;

DocumentContent DocumentFileCommands::contentOf(const CDuovueDoc &document)
{
    DocumentContent content;
    for (int side = 0; side < 2; ++side) {
        content.lists[side] = document.fileList(side);
        content.positions[side] = document.position(side);
    }
    content.resultMode = document.resultMode();
    return content;
}

QByteArray DocumentFileCommands::storedForm() const
{
    const Result<QByteArray> bytes = DocumentFile::serialize(contentOf(m_context.document));
    return bytes ? bytes.value() : QByteArray();
}

bool DocumentFileCommands::maySaveModified()
{
    CDuovueDoc &doc = m_context.document;
    if (doc.isModified() && storedForm() == m_baseline && !m_baseline.isEmpty())
        doc.setModified(false); // changed and changed back: nothing to save
    if (!doc.isModified())
        return true;
    switch (m_context.prompts.questionWithCancel(
        QStringLiteral("%1 への変更を保存しますか?").arg(doc.title()), AppCaption)) {
    case UserPrompts::Answer::Yes:
        return save();
    case UserPrompts::Answer::No:
        return true;
    case UserPrompts::Answer::Cancel:
        break;
    }
    return false;
}

bool DocumentFileCommands::newDocument()
{
    if (!maySaveModified())
        return false;
    m_context.document.newDocument();
    m_context.document.setModified(false);
    m_baseline = storedForm();
    return true;
}

bool DocumentFileCommands::open()
{
    const QString current = m_context.document.path();
    const QString start = current.isEmpty()
        ? (m_recentFiles.paths().isEmpty() ? QDir::homePath() : QFileInfo(m_recentFiles.paths().first()).path())
        : QFileInfo(current).path();
    const QString path = m_context.prompts.chooseOpenFile(QStringLiteral("開く"), start, DocumentFile::fileFilter());
    return !path.isEmpty() && openFile(path);
}

bool DocumentFileCommands::openFile(const QString &path)
{
    if (!maySaveModified())
        return false;
    const QString absolute = QFileInfo(path).absoluteFilePath();
    const Result<DocumentReadout> read = DocumentFile::load(absolute);
    if (!read) {
        // Nothing of the current document changes. A recent entry whose file is gone goes.
        if (read.error().code == Error::Code::NotFound)
            m_recentFiles.remove(absolute);
        m_context.prompts.error(
            failure(DocumentFile::openFailedMessage(), absolute, openReason(read.error())), Captions::error());
        return false;
    }
    const DocumentReadout &doc = read.value();
    CDuovueDoc &document = m_context.document;
    document.loadLists(doc.content.lists, doc.content.positions, doc.content.resultMode);
    document.setPath(absolute);
    m_recentFiles.add(absolute);
    // The file as read is the baseline: what the check below removes is a change worth saving.
    const Result<QByteArray> asRead = DocumentFile::serialize(doc.content);
    m_baseline = asRead ? asRead.value() : QByteArray();
    document.setModified(false);

    if (!doc.faults.isEmpty()) {
        m_context.prompts.warning(
            QStringLiteral("ドキュメントの一部が壊れていたため、読めたところまでを開きました。\r\n\r\n"
                           "左のリスト: %1 件中 %2 件\r\n右のリスト: %3 件中 %4 件")
                .arg(doc.header.count[0])
                .arg(doc.content.lists[0].size())
                .arg(doc.header.count[1])
                .arg(doc.content.lists[1].size()),
            AppCaption);
    }

    const QString summary = RunExistenceCheck(document, m_notice);
    if (!summary.isEmpty()) {
        document.setModified(storedForm() != m_baseline);
        m_context.prompts.information(summary, QStringLiteral("確認結果"));
    }
    return true;
}

bool DocumentFileCommands::save()
{
    const QString path = m_context.document.path();
    return path.isEmpty() ? saveAs() : saveTo(path);
}

bool DocumentFileCommands::saveAs()
{
    const CDuovueDoc &doc = m_context.document;
    const QString start =
        doc.path().isEmpty() ? QDir::homePath() + u'/' + doc.title() + u'.' + DocumentFile::suffix() : doc.path();
    QString path = m_context.prompts.chooseSaveFile(
        QStringLiteral("名前を付けて保存"), start, DocumentFile::fileFilter(), DocumentFile::suffix());
    if (path.isEmpty())
        return false;
    if (QFileInfo(path).suffix().isEmpty())
        path += u'.' + DocumentFile::suffix();
    return saveTo(QFileInfo(path).absoluteFilePath());
}

bool DocumentFileCommands::saveTo(const QString &path)
{
    const Result<void> saved = DocumentFile::save(path, contentOf(m_context.document));
    if (!saved) {
        m_context.prompts.error(
            failure(DocumentFile::saveFailedMessage(), path, saveReason(saved.error())), Captions::error());
        return false;
    }
    m_context.document.setPath(path);
    m_context.document.setModified(false);
    m_baseline = storedForm();
    m_recentFiles.add(path);
    return true;
}

} // namespace Duovue
