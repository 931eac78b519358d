#include "lists/guifillprogress.h"

#include <QCoreApplication>
#include <QWidget>

#include "lists/cprogdlg.h"

namespace Duovue
{

GuiFillProgress::GuiFillProgress(std::atomic<bool> &abortRequested, QWidget *owner)
    : m_abortRequested(abortRequested)
    , m_owner(owner)
{
}

GuiFillProgress::~GuiFillProgress()
{
    delete m_dialog.data();
}

CProgDlg *GuiFillProgress::progressDialog() const
{
    return m_dialog;
}

void GuiFillProgress::begin()
{
    m_busy = true;
    if (!m_dialog)
        m_dialog = new CProgDlg(m_abortRequested, m_owner);
    m_dialog->show();
    m_dialog->raise();
    // Let the dialog appear before the work takes the thread.
    QCoreApplication::processEvents();
}

void GuiFillProgress::end()
{
    if (m_dialog) {
        m_dialog->hide();
        m_dialog->deleteLater();
        m_dialog = nullptr;
    }
    m_busy = false;
}

void GuiFillProgress::pump()
{
    QCoreApplication::processEvents();
}

} // namespace Duovue
