#include "lists/cmysortstringarray.h"

#include <algorithm>
#include <limits>
#include <utility>

namespace Duovue
{

CMySortStringArray::Entry CMySortStringArray::entry(qsizetype i) const
{
    Entry e;
    for (int c = 0; c < ColumnCount; ++c)
        e.columns[c] = m_columns[c].at(i);
    e.primary = m_primary.at(i);
    return e;
}

void CMySortStringArray::append(const Entry &entry)
{
    for (int c = 0; c < ColumnCount; ++c)
        m_columns[c].append(entry.columns[c]);
    m_primary.append(entry.primary);
}

void CMySortStringArray::append(Entry &&entry)
{
    for (int c = 0; c < ColumnCount; ++c)
        m_columns[c].append(std::move(entry.columns[c]));
    m_primary.append(std::move(entry.primary));
}

void CMySortStringArray::insert(qsizetype i, const Entry &entry)
{
    for (int c = 0; c < ColumnCount; ++c)
        m_columns[c].insert(i, entry.columns[c]);
    m_primary.insert(i, entry.primary);
}

void CMySortStringArray::set(qsizetype i, const Entry &entry)
{
    for (int c = 0; c < ColumnCount; ++c)
        m_columns[c][i] = entry.columns[c];
    m_primary[i] = entry.primary;
}

void CMySortStringArray::removeAt(qsizetype i)
{
    for (int c = 0; c < ColumnCount; ++c)
        m_columns[c].removeAt(i);
    m_primary.removeAt(i);
}

void CMySortStringArray::truncate(qsizetype n)
{
    if (n >= size())
        return;
    resize(n);
}

void CMySortStringArray::resize(qsizetype n)
{
    for (int c = 0; c < ColumnCount; ++c)
        m_columns[c].resize(n);
    m_primary.resize(n);
}

void CMySortStringArray::clear()
{
    for (int c = 0; c < ColumnCount; ++c)
        m_columns[c].clear();
    m_primary.clear();
}

void CMySortStringArray::reserve(qsizetype n)
{
    for (int c = 0; c < ColumnCount; ++c)
        m_columns[c].reserve(n);
    m_primary.reserve(n);
}

void CMySortStringArray::swapEntries(qsizetype i, qsizetype j)
{
    for (int c = 0; c < ColumnCount; ++c)
        m_columns[c].swapItemsAt(i, j);
    m_primary.swapItemsAt(i, j);
}

void CMySortStringArray::sort(Comparator compare, qsizetype low, qsizetype high, int col, bool descending)
{
    // Hoare partition around the middle entry. The smaller side recurses and the larger one loops,
    // so the stack stays shallow whatever the data; the resulting order is that of the plain
    // two-sided recursion because the two ranges never overlap.
    while (low < high) {
        const QString pivot = keyArray(col).at(low + (high - low) / 2);
        qsizetype i = low;
        qsizetype j = high;
        for (;;) {
            while (compare(keyArray(col).at(i), pivot, descending) < 0)
                ++i;
            while (compare(pivot, keyArray(col).at(j), descending) < 0)
                --j;
            if (j <= i)
                break;
            swapEntries(i, j);
            ++i;
            --j;
        }
        const qsizetype leftLow = low, leftHigh = i - 1;
        const qsizetype rightLow = j + 1, rightHigh = high;
        if (leftHigh - leftLow < rightHigh - rightLow) {
            if (leftLow < leftHigh)
                sort(compare, leftLow, leftHigh, col, descending);
            low = rightLow;
            high = rightHigh;
        } else {
            if (rightLow < rightHigh)
                sort(compare, rightLow, rightHigh, col, descending);
            low = leftLow;
            high = leftHigh;
        }
    }
}

void CMySortStringArray::sortAll(Comparator compare, int col, bool descending)
{
    if (size() > 1)
        sort(compare, 0, size() - 1, col, descending);
}

int TextColumnCompare(QStringView a, QStringView b, bool descending)
{
    // Code-point order, the order of the UTF-8 bytes: plain UTF-16 unit order would put characters
    // beyond U+FFFF (surrogate pairs) before U+E000..U+FFFF, for example before full-width letters.
    const qsizetype n = std::min(a.size(), b.size());
    const char16_t *p = a.utf16();
    const char16_t *q = b.utf16();
    qsizetype i = 0;
    while (i < n && p[i] == q[i])
        ++i;
    int r;
    if (i == n) {
        r = (a.size() > b.size()) - (a.size() < b.size());
    } else {
        char16_t x = p[i];
        char16_t y = q[i];
        if (x >= 0xD800 && y >= 0xD800) {
            // Lift the surrogates above U+E000..U+FFFF.
            auto fix = [](char16_t c) {
                return static_cast<char16_t>(c >= 0xE000 ? c - 0x800 : c + 0x2000);
            };
            x = fix(x);
            y = fix(y);
        }
        r = x < y ? -1 : 1;
    }
    return descending ? -r : r;
}

qint64 parseNumberText(QStringView text)
{
    // Reads the text as if every "," had been removed first: blanks, an optional sign, digits.
    qsizetype i = 0;
    auto peek = [&]() -> char16_t {
        while (i < text.size() && text[i] == QLatin1Char(','))
            ++i;
        return i < text.size() ? text[i].unicode() : u'\0';
    };
    auto isBlank = [](char16_t c) {
        return c == u' ' || (c >= u'\t' && c <= u'\r');
    };
    while (isBlank(peek()))
        ++i;
    bool negative = false;
    if (const char16_t c = peek(); c == u'-' || c == u'+') {
        negative = c == u'-';
        ++i;
    }
    // Accumulate in unsigned so a huge text saturates instead of overflowing.
    quint64 v = 0;
    constexpr quint64 limit = static_cast<quint64>(std::numeric_limits<qint64>::max());
    for (char16_t c = peek(); c >= u'0' && c <= u'9'; ++i, c = peek()) {
        const unsigned d = c - u'0';
        v = v > (limit - d) / 10 ? limit : v * 10 + d;
    }
    const qint64 s = static_cast<qint64>(v);
    return negative ? -s : s;
}

int NumericColumnCompare(QStringView a, QStringView b, bool descending)
{
    const qint64 x = parseNumberText(a);
    const qint64 y = parseNumberText(b);
    const int r = x < y ? 1 : (x > y ? -1 : 0);
    return descending ? -r : r;
}

} // namespace Duovue
