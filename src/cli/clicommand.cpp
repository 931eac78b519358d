#include "cli/clicommand.h"

#include <algorithm>

#include "core/nativepath.h"

namespace Duovue::Cli
{

namespace
{

bool needsEscape(char16_t u)
{
    // C0, DEL and C1: a terminal would act on them (ESC starts a command sequence, and so does
    // U+009B in terminals that honour C1 in UTF-8).
    return u == u'\\' || u < 0x20 || (u >= 0x7F && u < 0xA0);
}

void appendByte(QString &out, unsigned byte)
{
    static const char digits[] = "0123456789abcdef";
    out += QLatin1String("\\x");
    out += QLatin1Char(digits[byte >> 4]);
    out += QLatin1Char(digits[byte & 0xF]);
}

} // namespace

std::optional<Arguments> parseFlags(Io &io, const Command &command, const QStringList &args, const QStringList &known)
{
    Arguments parsed;
    bool options = true;
    for (const QString &arg : args) {
        if (options && arg == QLatin1String("--")) {
            options = false;
        } else if (options && known.contains(arg)) {
            parsed.flags.append(arg);
        } else if (options && arg.startsWith(u'-') && arg.size() > 1) {
            usageError(io, command, QStringLiteral("unknown option '%1'").arg(arg));
            return std::nullopt;
        } else {
            parsed.operands.append(arg);
        }
    }
    return parsed;
}

QString escaped(const QString &text)
{
    if (std::none_of(text.begin(),
            text.end(),
            [](QChar c) {
                return needsEscape(c.unicode());
            })
        && !NativePath::hasRawBytes(text))
        return text;
    QString out;
    out.reserve(text.size() + 8);
    for (qsizetype i = 0; i < text.size(); ++i) {
        const QChar c = text.at(i);
        const char16_t u = c.unicode();
        switch (u) {
        case u'\\':
            out += QLatin1String("\\\\");
            break;
        case u'\t':
            out += QLatin1String("\\t");
            break;
        case u'\n':
            out += QLatin1String("\\n");
            break;
        case u'\r':
            out += QLatin1String("\\r");
            break;
        default:
            // Each "\xhh" is one byte of the name: a byte that is not UTF-8 as itself, a C1
            // control as the two bytes of its UTF-8 form, so that the two cannot be confused.
            if (const int byte = NativePath::rawByteAt(text, i); byte >= 0) {
                appendByte(out, unsigned(byte));
            } else if (u >= 0x80 && needsEscape(u)) {
                appendByte(out, 0xC2);
                appendByte(out, u);
            } else if (needsEscape(u)) {
                appendByte(out, u);
            } else {
                out += c;
            }
        }
    }
    return out;
}

} // namespace Duovue::Cli
