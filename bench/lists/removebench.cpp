// Removal of many scattered selected rows from a shown list, as "ゴミ箱へ移動(&D)" or
// "リストから削除(&R)" after "選択の切り替え(&I)" does.
//
//   QT_QPA_PLATFORM=offscreen duovue-bench-listremove [--rows N] [--rounds N]
//
// Every other row of N is selected in a shown CDuovueView and removed, once with the document's
// list-command removal (scattered rows go as one new list) and once run by run (removeRows, which
// every view follows with its selection); it prints both medians and their ratio.

#include <algorithm>
#include <chrono>
#include <cstdio>
#include <vector>

#include <QApplication>
#include <QItemSelectionModel>
#include <QTemporaryDir>

#include "core/settingsstore.h"
#include "document/cduovuedoc.h"
#include "lists/cduovueview.h"

using namespace Duovue;
using Clock = std::chrono::steady_clock;

namespace
{

double median(std::vector<double> v)
{
    std::sort(v.begin(), v.end());
    return v.empty() ? 0 : v[v.size() / 2];
}

// Milliseconds to remove every other row of @p rows with the list-command removal, or run by run.
double timeRemoval(SettingsStore &store, int rows, bool listCommand)
{
    CDuovueDoc document;
    FileList list;
    for (int i = 0; i < rows; ++i)
        list.append(FileList::Entry{{QStringLiteral("p%1.jpg").arg(i), QStringLiteral("/pics/")}, QStringLiteral("0")});
    document.loadLists({list, FileList()}, {0, 0}, false);
    CDuovueView view(document, store, 0);
    view.resize(600, 400);
    view.show();
    QList<int> removed;
    QItemSelection selection;
    for (int i = 0; i < rows; i += 2) {
        removed.append(i);
        selection.select(view.model()->index(i, 0), view.model()->index(i, FileList::ColumnCount - 1));
    }
    view.selectionModel()->select(selection, QItemSelectionModel::Select);
    QCoreApplication::processEvents();
    const auto start = Clock::now();
    if (listCommand)
        document.removeListRows(0, removed);
    else
        document.removeRows(0, removed);
    QCoreApplication::processEvents();
    return std::chrono::duration<double, std::milli>(Clock::now() - start).count();
}

} // namespace

int main(int argc, char **argv)
{
    QApplication app(argc, argv);
    int rows = 20000;
    int rounds = 5;
    const QStringList args = QCoreApplication::arguments();
    for (int i = 1; i + 1 < args.size(); i += 2) {
        if (args[i] == QLatin1String("--rows"))
            rows = args[i + 1].toInt();
        else if (args[i] == QLatin1String("--rounds"))
            rounds = args[i + 1].toInt();
    }
    QTemporaryDir dir;
    SettingsStore store(dir.filePath(QStringLiteral("Duovue.ini")));
    std::vector<double> listCommand, byRuns;
    for (int r = 0; r < rounds; ++r) {
        listCommand.push_back(timeRemoval(store, rows, true));
        byRuns.push_back(timeRemoval(store, rows, false));
    }
    const double a = median(listCommand);
    const double b = median(byRuns);
    std::printf("remove %d of %d rows: list command %.1f ms, run by run %.1f ms (%.0fx)\n",
        rows / 2,
        rows,
        a,
        b,
        a > 0 ? b / a : 0.0);
    return 0;
}
