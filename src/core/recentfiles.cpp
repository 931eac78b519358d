#include "core/recentfiles.h"

#include "core/appsettings.h"
#include "core/logging.h"
#include "core/settingsstore.h"

namespace Duovue
{

void RecentFiles::load(const SettingsStore &store)
{
    m_paths.clear();
    for (int i = 1; i <= Capacity; ++i) {
        const QString p = store.value(AppSettings::RecentFile(i));
        if (!p.isEmpty() && !m_paths.contains(p))
            m_paths.append(p);
    }
}

void RecentFiles::save(SettingsStore &store) const
{
    for (int i = 1; i <= Capacity; ++i) {
        const QString p = i <= m_paths.size() ? m_paths.at(i - 1) : QString();
        // Only touch keys that hold or held something, so a store without recent files stays clean.
        if (!p.isEmpty() || store.contains(AppSettings::RecentFile(i).section, AppSettings::RecentFile(i).key))
            warnIfFailed(lcSettings(), store.setValue(AppSettings::RecentFile(i), p));
    }
}

void RecentFiles::add(const QString &path)
{
    m_paths.removeAll(path);
    m_paths.prepend(path);
    while (m_paths.size() > Capacity)
        m_paths.removeLast();
}

void RecentFiles::remove(const QString &path)
{
    m_paths.removeAll(path);
}

} // namespace Duovue
