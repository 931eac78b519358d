#pragma once

#include <initializer_list>

#include <QObject>
#include <QStringList>

#include "document/cduovuedoc.h"
#include "lists/cmysortstringarray.h"

namespace Duovue::Test
{

/// Records what a document announces, in order, as short texts: "reset1", "insert1:0-2",
/// "remove0:3-3", "rows0:1-1" (texts changed), "position1=2", "result=1", "columns=1", "pane2",
/// "pair=2", "modified=1", "title=<window title>", "emptied0". The "about to" signals are left to
/// QAbstractItemModelTester.
class DocumentLog final : public QObject
{
public:
    explicit DocumentLog(CDuovueDoc &document)
    {
        const auto range = [](const char *kind, int side, int first, int last) {
            return QStringLiteral("%1%2:%3-%4").arg(QLatin1String(kind)).arg(side).arg(first).arg(last);
        };
        connect(&document, &CDuovueDoc::listReset, this, [this](int side) {
            entries << QStringLiteral("reset%1").arg(side);
        });
        connect(&document, &CDuovueDoc::rowsInserted, this, [this, range](int side, int first, int last) {
            entries << range("insert", side, first, last);
        });
        connect(&document, &CDuovueDoc::rowsRemoved, this, [this, range](int side, int first, int last) {
            entries << range("remove", side, first, last);
        });
        connect(&document, &CDuovueDoc::rowsChanged, this, [this, range](int side, int first, int last) {
            entries << range("rows", side, first, last);
        });
        connect(&document, &CDuovueDoc::positionChanged, this, [this](int side, int position) {
            entries << QStringLiteral("position%1=%2").arg(side).arg(position);
        });
        connect(&document, &CDuovueDoc::resultModeChanged, this, [this](bool on) {
            entries << QStringLiteral("result=%1").arg(int(on));
        });
        connect(&document, &CDuovueDoc::dimensionColumnsChanged, this, [this](bool shown) {
            entries << QStringLiteral("columns=%1").arg(int(shown));
        });
        connect(&document, &CDuovueDoc::paneChanged, this, [this](int pane) {
            entries << QStringLiteral("pane%1").arg(pane);
        });
        connect(&document, &CDuovueDoc::activePairChanged, this, [this](int first) {
            entries << QStringLiteral("pair=%1").arg(first);
        });
        connect(&document, &CDuovueDoc::modifiedChanged, this, [this](bool modified) {
            entries << QStringLiteral("modified=%1").arg(int(modified));
        });
        connect(&document, &CDuovueDoc::titleChanged, this, [this](const QString &title) {
            entries << QStringLiteral("title=") + title;
        });
        connect(&document, &CDuovueDoc::sideEmptied, this, [this](int side) {
            entries << QStringLiteral("emptied%1").arg(side);
        });
    }

    /// The entries of the given kinds only ("reset", "insert", "pane", ...), in order.
    QStringList of(std::initializer_list<const char *> kinds) const
    {
        QStringList out;
        for (const QString &e : entries) {
            for (const char *kind : kinds) {
                const QLatin1String k(kind);
                if (e.startsWith(k) && (e.size() == k.size() || !e.at(k.size()).isLetter())) {
                    out << e;
                    break;
                }
            }
        }
        return out;
    }

    QStringList entries;
};

/// A FileList of entries named by @p names in folder "/p/", each with the primary string
/// @p primary.
inline FileList namedEntries(const QStringList &names, const QString &primary = QStringLiteral("0"))
{
    FileList list;
    for (const QString &name : names) {
        FileList::Entry e;
        e.columns[0] = name;
        e.columns[1] = QStringLiteral("/p/");
        e.primary = primary;
        list.append(e);
    }
    return list;
}

} // namespace Duovue::Test
