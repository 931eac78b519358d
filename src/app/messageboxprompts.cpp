#include "app/messageboxprompts.h"

#include <QApplication>
#include <QFileDialog>
#include <QMessageBox>
#include <QRegularExpression>

#include "core/nativepath.h"

namespace Duovue
{

namespace
{

// Message texts keep the "\r\n" of their Windows origin; Qt shows "\r" as a stray glyph. A file
// name whose bytes are not UTF-8 shows them as "\xNN".
QString displayText(const QString &text)
{
    QString t = NativePath::display(text);
    t.replace(QLatin1String("\r\n"), QLatin1String("\n"));
    return t;
}

// A box of plain text. Qt would guess: a text that looks like markup (a file name such as
// "<b>x</b>.jpg", an answer from the update server) would be drawn as rich text, links and all.
QMessageBox::StandardButton showBox(QWidget *parent,
    QMessageBox::Icon icon,
    const QString &caption,
    const QString &text,
    QMessageBox::StandardButtons buttons,
    QMessageBox::StandardButton defaultButton = QMessageBox::NoButton)
{
    QMessageBox box(icon, NativePath::display(caption), displayText(text), buttons, parent);
    box.setTextFormat(Qt::PlainText);
    box.setDefaultButton(defaultButton);
    if (box.exec() == -1)
        return QMessageBox::Cancel;
    return box.standardButton(box.clickedButton());
}

} // namespace

QWidget *MessageBoxPrompts::parent() const
{
    // A box asked for from one of the main window's own windows (the comparison viewer) belongs
    // over that window: parented to the main window it would bring the main window to the front.
    QWidget *active = QApplication::activeWindow();
    if (!m_parent)
        return active;
    for (QWidget *w = active; w; w = w->parentWidget()) {
        if (w == m_parent) {
            m_lastOwner = active;
            return active;
        }
    }
    // Right after a box closed no window is active yet: a second box belongs where the first did.
    if (!active && m_lastOwner && m_lastOwner->isVisible())
        return m_lastOwner.data();
    return m_parent.data();
}

bool MessageBoxPrompts::question(const QString &text, const QString &caption)
{
    return showBox(parent(), QMessageBox::Question, caption, text, QMessageBox::Yes | QMessageBox::No, QMessageBox::Yes)
        == QMessageBox::Yes;
}

UserPrompts::Answer MessageBoxPrompts::questionWithCancel(const QString &text, const QString &caption)
{
    switch (showBox(parent(),
        QMessageBox::Question,
        caption,
        text,
        QMessageBox::Yes | QMessageBox::No | QMessageBox::Cancel,
        QMessageBox::Yes)) {
    case QMessageBox::Yes:
        return Answer::Yes;
    case QMessageBox::No:
        return Answer::No;
    default:
        return Answer::Cancel;
    }
}

void MessageBoxPrompts::information(const QString &text, const QString &caption)
{
    showBox(parent(), QMessageBox::Information, caption, text, QMessageBox::Ok);
}

void MessageBoxPrompts::error(const QString &text, const QString &caption)
{
    showBox(parent(), QMessageBox::Critical, caption, text, QMessageBox::Ok);
}

void MessageBoxPrompts::warning(const QString &text, const QString &caption)
{
    showBox(parent(), QMessageBox::Warning, caption, text, QMessageBox::Ok);
}

QString MessageBoxPrompts::chooseFolder(const QString &title, const QString &startFolder, bool allowNewFolder)
{
    QFileDialog dialog(parent(), title, startFolder);
    dialog.setFileMode(QFileDialog::Directory);
    dialog.setOption(QFileDialog::ShowDirsOnly, true);
    dialog.setAcceptMode(QFileDialog::AcceptOpen);
    if (!allowNewFolder)
        dialog.setOption(QFileDialog::ReadOnly, true); // hides the new-folder button
    if (dialog.exec() != QDialog::Accepted || dialog.selectedFiles().isEmpty())
        return {};
    return dialog.selectedFiles().constFirst();
}

QString MessageBoxPrompts::chooseOpenFile(const QString &title, const QString &startFolder, const QString &filter)
{
    return QFileDialog::getOpenFileName(parent(), title, startFolder, filter);
}

QString MessageBoxPrompts::chooseSaveFile(
    const QString &title, const QString &startPath, const QString &filter, const QString &defaultSuffix)
{
    QFileDialog dialog(parent(), title, startPath, filter);
    dialog.setAcceptMode(QFileDialog::AcceptSave);
    dialog.setDefaultSuffix(defaultSuffix);
    // With several filters the suffix added to a bare name follows the filter the user picked.
    QObject::connect(&dialog, &QFileDialog::filterSelected, &dialog, [&dialog](const QString &selected) {
        static const QRegularExpression firstPattern(QStringLiteral("\\(\\*\\.([^ ;)]+)"));
        const QRegularExpressionMatch m = firstPattern.match(selected);
        if (m.hasMatch())
            dialog.setDefaultSuffix(m.captured(1));
    });
    if (dialog.exec() != QDialog::Accepted || dialog.selectedFiles().isEmpty())
        return {};
    return dialog.selectedFiles().constFirst();
}

} // namespace Duovue
