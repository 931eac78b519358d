#include <QJsonArray>
#include <QJsonDocument>
#include <QJsonObject>

#include "cli/clicommand.h"
#include "document/documentfile.h"

namespace Duovue::Cli
{

namespace
{

QJsonArray listJson(const FileList &list, bool resultMode)
{
    QJsonArray rows;
    for (qsizetype i = 0; i < list.size(); ++i) {
        QJsonArray row{list.column(0, i), list.column(1, i)};
        if (resultMode)
            row << list.column(5, i) << list.column(6, i);
        row << list.primary(i);
        rows.append(row);
    }
    return rows;
}

QJsonObject dumpJson(const QString &path, const DocumentReadout &doc)
{
    const DocumentHeader &h = doc.header;
    const QJsonObject header{
        {QStringLiteral("magic"), QStringLiteral("DV")},
        {QStringLiteral("version"), QJsonArray{h.version[0], h.version[1]}},
        {QStringLiteral("leftOffset"), qint64(h.textOffset[0])},
        {QStringLiteral("rightOffset"), qint64(h.textOffset[1])},
        {QStringLiteral("leftCount"), qint64(h.count[0])},
        {QStringLiteral("rightCount"), qint64(h.count[1])},
        {QStringLiteral("leftPosition"), h.position[0]},
        {QStringLiteral("rightPosition"), h.position[1]},
        {QStringLiteral("resultMode"), h.resultMode},
    };
    QJsonObject out{
        {QStringLiteral("file"), path},
        {QStringLiteral("header"), header},
        {QStringLiteral("encoding"),
            doc.encoding == DocumentEncoding::Utf8 ? QStringLiteral("UTF-8") : QStringLiteral("Shift_JIS")},
        {QStringLiteral("fields"),
            doc.content.resultMode
                ? QJsonArray{QStringLiteral("name"),
                    QStringLiteral("folder"),
                    QStringLiteral("width"),
                    QStringLiteral("height"),
                    QStringLiteral("group")}
                : QJsonArray{QStringLiteral("name"), QStringLiteral("folder"), QStringLiteral("mark")}},
        {QStringLiteral("left"), listJson(doc.content.lists[0], doc.content.resultMode)},
        {QStringLiteral("right"), listJson(doc.content.lists[1], doc.content.resultMode)},
    };
    if (!doc.faults.isEmpty())
        out.insert(QStringLiteral("faults"), QJsonArray::fromStringList(doc.faults));
    return out;
}

int run(const QStringList &args, Io &io)
{
    if (args.isEmpty())
        return usageError(io, docCommand(), QStringLiteral("no action given"));
    const QString action = args.first();
    if (action != QLatin1String("dump") && action != QLatin1String("check"))
        return usageError(io, docCommand(), QStringLiteral("unknown action '%1'").arg(action));
    QStringList files = args.mid(1);
    if (!files.isEmpty() && files.first() == QLatin1String("--"))
        files.removeFirst();
    if (files.isEmpty())
        return usageError(io, docCommand(), QStringLiteral("no file given"));

    int failures = 0;
    for (const QString &path : std::as_const(files)) {
        const Result<DocumentReadout> doc = DocumentFile::load(path);
        if (!doc) {
            ++failures;
            io.err << "duovue-cli doc: " << escaped(path) << ": " << escaped(doc.error().message) << '\n';
            continue;
        }
        if (action == QLatin1String("dump")) {
            io.out << QString::fromUtf8(QJsonDocument(dumpJson(path, doc.value())).toJson(QJsonDocument::Indented));
            continue;
        }
        const DocumentContent &c = doc.value().content;
        if (doc.value().faults.isEmpty()) {
            io.out << escaped(path) << ": ok, " << c.lists[0].size() << " left and " << c.lists[1].size()
                   << " right entries" << (c.resultMode ? ", result mode" : "") << '\n';
            continue;
        }
        ++failures;
        for (const QString &fault : doc.value().faults)
            io.err << "duovue-cli doc: " << escaped(path) << ": " << escaped(fault) << '\n';
    }
    return failures > 0 ? Failure : Success;
}

} // namespace

const Command &docCommand()
{
    static const Command command{"doc",
        "doc dump|check [--] FILE.duov...",
        "dump: print a comparison document's header, text encoding and both lists as JSON (with any damage "
        "found). check: exit 0 when every document opens cleanly, 1 with the reason when one is refused or "
        "damaged.",
        run};
    return command;
}

} // namespace Duovue::Cli
