#include "core/nativepath.h"

#include <algorithm>
#include <climits>
#include <unistd.h>

#include <QDir>

namespace Duovue::NativePath
{

namespace
{

constexpr char16_t RawBase = 0xDC00; // a raw byte b (0x80..0xFF) is the code unit RawBase + b

bool isRaw(char16_t u)
{
    return u >= RawBase + 0x80 && u <= RawBase + 0xFF;
}

/// The length of the valid UTF-8 sequence at @p s (at most @p n bytes), or 0 when the byte there
/// does not start one. Overlong forms and surrogates count as invalid: they would decode to a
/// name that encodes to other bytes.
int sequenceLength(const unsigned char *s, qsizetype n, char32_t &cp)
{
    const unsigned char c = s[0];
    int len;
    char32_t min;
    if ((c & 0xE0) == 0xC0) {
        len = 2;
        cp = c & 0x1F;
        min = 0x80;
    } else if ((c & 0xF0) == 0xE0) {
        len = 3;
        cp = c & 0x0F;
        min = 0x800;
    } else if ((c & 0xF8) == 0xF0) {
        len = 4;
        cp = c & 0x07;
        min = 0x10000;
    } else {
        return 0;
    }
    if (n < len)
        return 0;
    for (int k = 1; k < len; ++k) {
        if ((s[k] & 0xC0) != 0x80)
            return 0;
        cp = (cp << 6) | (s[k] & 0x3F);
    }
    if (cp < min || cp > 0x10FFFF || (cp >= 0xD800 && cp <= 0xDFFF))
        return 0;
    return len;
}

bool isValidUtf8(const unsigned char *s, qsizetype n)
{
    for (qsizetype i = 0; i < n;) {
        if (s[i] < 0x80) {
            ++i;
            continue;
        }
        char32_t cp = 0;
        const int len = sequenceLength(s + i, n - i, cp);
        if (len == 0)
            return false;
        i += len;
    }
    return true;
}

} // namespace

QString decode(QByteArrayView bytes)
{
    const auto *s = reinterpret_cast<const unsigned char *>(bytes.data());
    const qsizetype n = bytes.size();
    // Nearly every name is UTF-8: Qt's decoder is much faster than the loop below.
    if (isValidUtf8(s, n))
        return QString::fromUtf8(bytes);
    QString text;
    text.reserve(n);
    for (qsizetype i = 0; i < n;) {
        if (s[i] < 0x80) {
            text += QChar(char16_t(s[i++]));
            continue;
        }
        char32_t cp = 0;
        const int len = sequenceLength(s + i, n - i, cp);
        if (len == 0) {
            text += QChar(char16_t(RawBase + s[i++]));
            continue;
        }
        const char32_t ucs4[1] = {cp};
        text += QString::fromUcs4(ucs4, 1);
        i += len;
    }
    return text;
}

QByteArray encode(const QString &path)
{
    if (std::none_of(path.cbegin(), path.cend(), [](QChar c) {
            return c.isSurrogate();
        }))
        return path.toUtf8();
    QByteArray bytes;
    bytes.reserve(path.size());
    const qsizetype n = path.size();
    for (qsizetype i = 0; i < n; ++i) {
        const char16_t u = path.at(i).unicode();
        if (u < 0x80) {
            bytes += char(u);
        } else if (isRaw(u)) {
            bytes += char(u - RawBase);
        } else if (QChar::isHighSurrogate(u) && i + 1 < n && QChar::isLowSurrogate(path.at(i + 1).unicode())) {
            bytes += QStringView(path).sliced(i, 2).toUtf8();
            ++i;
        } else {
            // A lone surrogate decode() never makes becomes U+FFFD, as Qt would write it.
            bytes += QStringView(path).sliced(i, 1).toUtf8();
        }
    }
    return bytes;
}

int rawByteAt(QStringView path, qsizetype index)
{
    const char16_t u = path.at(index).unicode();
    // A low surrogate after a high one is half of a character beyond U+FFFF, not a byte.
    if (!isRaw(u) || (index > 0 && QChar::isHighSurrogate(path.at(index - 1).unicode())))
        return -1;
    return u - RawBase;
}

QString display(const QString &path)
{
    if (!hasRawBytes(path))
        return path;
    QString shown;
    shown.reserve(path.size() + 16);
    for (qsizetype i = 0; i < path.size(); ++i) {
        const int byte = rawByteAt(path, i);
        if (byte >= 0)
            shown += QStringLiteral("\\x%1").arg(byte, 2, 16, QLatin1Char('0'));
        else
            shown += path.at(i);
    }
    return shown;
}

bool hasRawBytes(const QString &path)
{
    for (qsizetype i = 0; i < path.size(); ++i) {
        if (rawByteAt(path, i) >= 0)
            return true;
    }
    return false;
}

QString absolute(const QString &path)
{
    if (path.startsWith(QLatin1Char('/')))
        return QDir::cleanPath(path);
    char buffer[PATH_MAX];
    const QString here = ::getcwd(buffer, sizeof buffer) ? decode(buffer) : QDir::currentPath();
    return QDir::cleanPath(here + QLatin1Char('/') + path);
}

} // namespace Duovue::NativePath
