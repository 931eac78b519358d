#include "lists/guifillhost.h"

#include <QCoreApplication>
#include <QWidget>

#include "lists/cprogdlg.h"

namespace Duovue
{

GuiFillHost::GuiFillHost(AppState &state, QWidget *owner, Hooks hooks)
    : m_state(state)
    , m_owner(owner)
    , m_hooks(std::move(hooks))
{
}

GuiFillHost::~GuiFillHost()
{
    delete m_dialog.data();
}

CProgDlg *GuiFillHost::progressDialog() const
{
    return m_dialog;
}

void GuiFillHost::newDocument()
{
    if (m_hooks.newDocument)
        m_hooks.newDocument();
}

void GuiFillHost::resetSide(int side)
{
    if (m_hooks.resetSide)
        m_hooks.resetSide(side);
}

void GuiFillHost::listChanged(int side)
{
    if (m_hooks.listChanged)
        m_hooks.listChanged(side);
}

void GuiFillHost::beginProgress()
{
    m_busy = true;
    if (!m_dialog)
        m_dialog = new CProgDlg(m_state, m_owner);
    m_dialog->show();
    m_dialog->raise();
    // Let the dialog appear before the work takes the thread.
    QCoreApplication::processEvents();
}

void GuiFillHost::endProgress()
{
    if (m_dialog) {
        m_dialog->hide();
        m_dialog->deleteLater();
        m_dialog = nullptr;
    }
    m_busy = false;
}

void GuiFillHost::pumpEvents()
{
    QCoreApplication::processEvents();
}

void GuiFillHost::openDocument(const QString &path)
{
    if (m_hooks.openDocument)
        m_hooks.openDocument(path);
}

} // namespace Duovue
