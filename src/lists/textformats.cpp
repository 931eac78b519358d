#include "lists/textformats.h"

#include <ctime>

#include <QStringList>

namespace Duovue
{

namespace
{

// Writes @p v with at least @p width digits, zero-padded; negative values as "-" and their digits.
char16_t *putNumber(char16_t *out, int v, int width)
{
    if (v < 0) {
        *out++ = u'-';
        v = -v;
        width = 0;
    }
    char16_t digits[12];
    int n = 0;
    do {
        digits[n++] = static_cast<char16_t>(u'0' + v % 10);
        v /= 10;
    } while (v > 0);
    for (int i = n; i < width; ++i)
        *out++ = u'0';
    while (n > 0)
        *out++ = digits[--n];
    return out;
}

} // namespace

QString FormatFileTime(qint64 secondsSinceEpoch)
{
    int year = 0, month = 0, day = 0, hour = -1, minute = -1, second = -1;
    const std::time_t t = static_cast<std::time_t>(secondsSinceEpoch);
    std::tm local{};
    // Years outside 0..9999 cannot be written in four digits, and their text would break the rule
    // that text order is time order, so they count as times that cannot be converted.
    if (static_cast<qint64>(t) == secondsSinceEpoch && localtime_r(&t, &local) && local.tm_year >= -1900
        && local.tm_year <= 9999 - 1900) {
        year = local.tm_year + 1900;
        month = local.tm_mon + 1;
        day = local.tm_mday;
        hour = local.tm_hour;
        minute = local.tm_min;
        second = local.tm_sec;
    }
    // Built by hand: this runs once or twice per scanned file, and QString::arg chains cost more
    // than the directory enumeration itself.
    char16_t buf[32];
    char16_t *p = putNumber(buf, year, 4);
    *p++ = u'/';
    p = putNumber(p, month, 2);
    *p++ = u'/';
    p = putNumber(p, day, 2);
    *p++ = u'、';
    p = putNumber(p, hour, 2);
    *p++ = u':';
    p = putNumber(p, minute, 2);
    *p++ = u':';
    p = putNumber(p, second, 2);
    return QString(reinterpret_cast<const QChar *>(buf), p - buf);
}

QString FormatFileSize(quint64 value)
{
    // 20 digits and 6 separators at most.
    char16_t buf[32];
    char16_t *end = buf + sizeof buf / sizeof buf[0];
    char16_t *p = end;
    int group = 0;
    do {
        if (group == 3) {
            *--p = u',';
            group = 0;
        }
        *--p = static_cast<char16_t>(u'0' + value % 10);
        value /= 10;
        ++group;
    } while (value > 0);
    return QString(reinterpret_cast<const QChar *>(p), end - p);
}

QString TotalItemsText(int count)
{
    return QStringLiteral("総アイテム数: %1").arg(count, 5);
}

QString SelectedItemsText(int count)
{
    return QStringLiteral("選択アイテム数: %1").arg(count, 5);
}

const QStringList &ImageExtensions()
{
    static const QStringList list{
        QStringLiteral("jpg"), QStringLiteral("jpeg"), QStringLiteral("bmp"), QStringLiteral("gif")};
    return list;
}

QStringView extensionOf(QStringView name)
{
    const qsizetype dot = name.lastIndexOf(QLatin1Char('.'));
    return dot < 0 ? name : name.mid(dot + 1);
}

bool hasImageExtension(QStringView name)
{
    const QStringView ext = extensionOf(name);
    for (const QString &e : ImageExtensions()) {
        if (ext.compare(e, Qt::CaseInsensitive) == 0)
            return true;
    }
    return false;
}

} // namespace Duovue
