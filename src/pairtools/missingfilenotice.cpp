#include "pairtools/missingfilenotice.h"

#include <QCheckBox>
#include <QMessageBox>

namespace Duovue
{

bool showMissingFileNotice(QWidget *parent, const QString &text)
{
    QString shown = text;
    shown.replace(QLatin1String("\r\n"), QLatin1String("\n"));
    QMessageBox box(QMessageBox::NoIcon, QStringLiteral("確認"), shown, QMessageBox::NoButton, parent);
    box.addButton(QStringLiteral("O K"), QMessageBox::AcceptRole);
    auto *dontShow = new QCheckBox(QStringLiteral("これ以降、このダイアログを表示しない。"), &box);
    box.setCheckBox(dontShow);
    box.exec();
    return dontShow->isChecked();
}

} // namespace Duovue
