#include "lists/textformats.h"

#include <ctime>

#include <QStringList>

namespace Duovue
{

QString FormatFileTime(qint64 secondsSinceEpoch)
{
    int year = 0, month = 0, day = 0, hour = -1, minute = -1, second = -1;
    const std::time_t t = static_cast<std::time_t>(secondsSinceEpoch);
    std::tm local{};
    if (localtime_r(&t, &local)) {
        year = local.tm_year + 1900;
        month = local.tm_mon + 1;
        day = local.tm_mday;
        hour = local.tm_hour;
        minute = local.tm_min;
        second = local.tm_sec;
    }
    // Built by hand: QString::asprintf would need a narrow format with a multi-byte separator.
    auto two = [](int v) {
        return v < 0 ? QString::number(v) : QStringLiteral("%1").arg(v, 2, 10, QLatin1Char('0'));
    };
    return QStringLiteral("%1/%2/%3、%4:%5:%6")
        .arg(year, 4, 10, QLatin1Char('0'))
        .arg(two(month), two(day), two(hour), two(minute), two(second));
}

QString FormatFileSize(quint64 value)
{
    const QString digits = QString::number(value);
    QString out;
    out.reserve(digits.size() + digits.size() / 3);
    const qsizetype head = digits.size() % 3 == 0 ? 3 : digits.size() % 3;
    out += QStringView(digits).left(head);
    for (qsizetype i = head; i < digits.size(); i += 3) {
        out += QLatin1Char(',');
        out += QStringView(digits).mid(i, 3);
    }
    return out;
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
