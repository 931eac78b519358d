#include "cli/clicommand.h"
#include "document/documentfile.h"

namespace Duovue::Cli
{

namespace
{

// A JSON string. Besides what JSON requires, DEL and the C1 controls are written as \u escapes:
// a terminal would act on them (U+009B starts a command sequence in terminals that honour C1).
QString jsonString(const QString &text)
{
    QString out;
    out.reserve(text.size() + 2);
    out += u'"';
    for (const QChar c : text) {
        const char16_t u = c.unicode();
        switch (u) {
        case u'"':
            out += QLatin1String("\\\"");
            break;
        case u'\\':
            out += QLatin1String("\\\\");
            break;
        case u'\n':
            out += QLatin1String("\\n");
            break;
        case u'\t':
            out += QLatin1String("\\t");
            break;
        case u'\r':
            out += QLatin1String("\\r");
            break;
        default:
            if (u < 0x20 || (u >= 0x7F && u < 0xA0))
                out += QStringLiteral("\\u%1").arg(int(u), 4, 16, QLatin1Char('0'));
            else
                out += c;
        }
    }
    out += u'"';
    return out;
}

QString jsonStrings(const QStringList &texts)
{
    QStringList quoted;
    for (const QString &t : texts)
        quoted << jsonString(t);
    return u'[' + quoted.join(QLatin1String(", ")) + u']';
}

// The document as JSON, written as it is read: one row per line, so that a document of any length
// needs no more memory than its bytes.
void dump(QTextStream &out, const QString &path, DocumentParser &parser)
{
    const DocumentReadout &doc = parser.readout();
    const DocumentHeader &h = doc.header;
    const bool resultMode = doc.content.resultMode;
    out << "{\n    \"file\": " << jsonString(path) << ",\n    \"header\": {\n        \"magic\": \"DV\",\n"
        << "        \"version\": [" << int(h.version[0]) << ", " << int(h.version[1]) << "],\n"
        << "        \"leftOffset\": " << h.textOffset[0] << ",\n        \"rightOffset\": " << h.textOffset[1] << ",\n"
        << "        \"leftCount\": " << h.count[0] << ",\n        \"rightCount\": " << h.count[1] << ",\n"
        << "        \"leftPosition\": " << h.position[0] << ",\n        \"rightPosition\": " << h.position[1]
        << ",\n        \"resultMode\": " << int(h.resultMode) << "\n    },\n    \"encoding\": \""
        << (doc.encoding == DocumentEncoding::Utf8 ? "UTF-8" : "Shift_JIS") << "\",\n    \"fields\": "
        << (resultMode ? "[\"name\", \"folder\", \"width\", \"height\", \"group\"]"
                       : "[\"name\", \"folder\", \"mark\"]")
        << ",\n";
    if (!doc.faults.isEmpty())
        out << "    \"faults\": " << jsonStrings(doc.faults) << ",\n";
    for (int side = 0; side < 2; ++side) {
        out << "    \"" << (side == 0 ? "left" : "right") << "\": [";
        qsizetype row = 0;
        parser.readEntries(side, [&](DocumentParser::Entry &&e) {
            QStringList fields{e.columns[0], e.columns[1]};
            if (resultMode)
                fields << e.columns[5] << e.columns[6];
            fields << e.primary;
            out << (row++ == 0 ? "\n        " : ",\n        ") << jsonStrings(fields);
        });
        out << (row > 0 ? "\n    ]" : "]") << (side == 0 ? ",\n" : "\n");
    }
    out << "}\n";
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
        const auto fail = [&](const QString &reason) {
            io.err << "duovue-cli doc: " << escaped(path) << ": " << escaped(reason) << '\n';
        };
        const Result<QByteArray> bytes = DocumentFile::readFile(path);
        Result<DocumentParser> parser =
            bytes ? DocumentParser::start(bytes.value()) : Result<DocumentParser>(bytes.error());
        if (!parser) {
            ++failures;
            fail(parser.error().message);
            continue;
        }
        if (action == QLatin1String("dump")) {
            dump(io.out, path, parser.value());
            continue;
        }
        const DocumentReadout &doc = parser.value().readout();
        const DocumentHeader &h = doc.header;
        if (doc.faults.isEmpty() && h.hasKnownVersion()) {
            io.out << escaped(path) << ": ok, " << parser.value().entryCount(0) << " left and "
                   << parser.value().entryCount(1) << " right entries"
                   << (doc.content.resultMode ? ", result mode" : "") << '\n';
            continue;
        }
        ++failures;
        if (!h.hasKnownVersion()) {
            fail(QStringLiteral("unknown document version %1.%2 (this program writes 1.1); read as 1.1")
                     .arg(h.version[0])
                     .arg(h.version[1]));
        }
        for (const QString &fault : doc.faults)
            fail(fault);
    }
    return failures > 0 ? Failure : Success;
}

} // namespace

const Command &docCommand()
{
    static const Command command{"doc",
        "doc dump|check [--] FILE.duov...",
        "dump: print a comparison document's header, text encoding, any damage found and both lists as JSON, "
        "one entry per line. check: exit 0 when every document opens cleanly, 1 with the reason when one is "
        "refused, damaged or of an unknown version.",
        run};
    return command;
}

} // namespace Duovue::Cli
