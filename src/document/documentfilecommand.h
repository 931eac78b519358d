#pragma once

#include <QByteArray>
#include <QString>

#include "document/commandcontext.h"
#include "pairtools/existencecheck.h"

namespace Duovue
{

class RecentFiles;
struct DocumentContent;

/// The File menu's document commands: new, open (with the chooser, from the recent files, the
/// command line or a drop), save and save as, with the question before a modified document is
/// dropped and the file existence check right after a document was opened.
///
/// The document marks itself modified at any change to its lists, positions or mode; these
/// commands clear the flag when it is saved, opened or new. A document whose stored form is back to
/// what was last opened or saved is not asked about. A document that cannot be opened leaves the
/// current one as it was; a failed save leaves the file as it was.
///
/// Thread: GUI thread. Holds references to what @p context names and to @p recentFiles, which the
/// main window (or a test) keeps alive longer.
class DocumentFileCommands
{
    Q_DISABLE_COPY_MOVE(DocumentFileCommands)

public:
    DocumentFileCommands(const CommandContext &context, RecentFiles &recentFiles, ExistenceCheck::Notice notice);
    ~DocumentFileCommands();

    /// What a document file holds of @p document.
    static DocumentContent contentOf(const CDuovueDoc &document);

    /// IdFileNew "新規作成".
    bool newDocument();
    /// IdFileOpen "開く...": the file chooser, then openFile().
    bool open();
    /// Opens @p path as the document (recent files, the command line, a dropped ".duov" file).
    bool openFile(const QString &path);
    /// IdFileSave "上書き保存": to the document's path, or as save as for a new document.
    bool save();
    /// IdFileSaveAs "名前を付けて保存(&A)...".
    bool saveAs();
    /// Before the document is dropped: when it is modified, asks whether to save it. False when the
    /// user cancelled or the save did not happen.
    bool maySaveModified();

private:
    bool saveTo(const QString &path);
    /// The stored form of the document now; empty when it cannot be stored.
    QByteArray storedForm() const;

    CommandContext m_context;
    RecentFiles &m_recentFiles;
    ExistenceCheck::Notice m_notice;
    /// The stored form when the document was last opened, saved or made new.
    QByteArray m_baseline;
};

} // namespace Duovue
