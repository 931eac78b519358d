#include "lists/cduovueview.h"

#include <QHeaderView>

#include "core/appsettings.h"
#include "core/logging.h"
#include "core/settingsstore.h"
#include "document/cduovuedoc.h"

namespace Duovue
{

namespace
{

const QList<int> &basicOrder()
{
    static const QList<int> order{0, 4, 2, 3, 1};
    return order;
}

const QList<int> &resultOrder()
{
    static const QList<int> order{0, 4, 5, 6, 2, 3, 1};
    return order;
}

} // namespace

CDuovueView::CDuovueView(CDuovueDoc &document, SettingsStore &settings, int side, QWidget *parent)
    : CMyVirtualListView(document, side, parent)
    , m_settings(settings)
{
    QHeaderView *header = horizontalHeader();
    for (int c = 0; c <= 4; ++c)
        header->resizeSection(c, qMax(0, m_settings.value(AppSettings::ColumnWidth(side, c))));
    // The width and height columns exist only while the lists show search results.
    header->resizeSection(5, ResultColumnWidth);
    header->resizeSection(6, ResultColumnWidth);
    header->hideSection(5);
    header->hideSection(6);
    setDisplayOrder(basicOrder());
    setResultColumns(document.dimensionColumnsShown());
    connect(&document, &CDuovueDoc::dimensionColumnsChanged, this, &CDuovueView::setResultColumns);
}

CDuovueView::~CDuovueView()
{
    // A hidden column counts as missing and is written as 0. Written as the window closes: a failed
    // write keeps the old value and there is no one to tell.
    const QHeaderView *header = horizontalHeader();
    for (int c = 0; c < FileList::ColumnCount; ++c) {
        const int width = header->isSectionHidden(c) ? 0 : header->sectionSize(c);
        warnIfFailed(lcLists(), m_settings.setValue(AppSettings::ColumnWidth(side(), c), width));
    }
}

void CDuovueView::setDisplayOrder(const QList<int> &order)
{
    QHeaderView *header = horizontalHeader();
    for (int visual = 0; visual < order.size(); ++visual)
        header->moveSection(header->visualIndex(order[visual]), visual);
}

QList<int> CDuovueView::displayOrder() const
{
    QList<int> order;
    const QHeaderView *header = horizontalHeader();
    for (int visual = 0; visual < header->count(); ++visual) {
        const int logical = header->logicalIndex(visual);
        if (!header->isSectionHidden(logical))
            order.append(logical);
    }
    return order;
}

bool CDuovueView::resultColumnsShown() const
{
    return !horizontalHeader()->isSectionHidden(5);
}

void CDuovueView::setResultColumns(bool shown)
{
    // Only a change of the column set resets the display order; an order the user dragged the
    // headers into otherwise stays.
    if (shown == resultColumnsShown())
        return;
    QHeaderView *header = horizontalHeader();
    if (shown) {
        header->showSection(5);
        header->showSection(6);
        header->resizeSection(5, ResultColumnWidth);
        header->resizeSection(6, ResultColumnWidth);
        setDisplayOrder(resultOrder());
    } else {
        header->hideSection(5);
        header->hideSection(6);
        setDisplayOrder(basicOrder());
    }
}

} // namespace Duovue
