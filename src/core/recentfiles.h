#pragma once

#include <QStringList>

namespace Duovue
{

class SettingsStore;

/// The most recently used documents, newest first, at most five ("Recent File List"/"File1".."File5").
/// Loaded at start-up and written at exit. Thread: GUI thread.
class RecentFiles
{
public:
    static constexpr int Capacity = 5;

    void load(const SettingsStore &store);
    void save(SettingsStore &store) const;

    /// Puts @p path first, removing an older entry of the same path and the oldest past Capacity.
    void add(const QString &path);
    void remove(const QString &path);
    const QStringList &paths() const { return m_paths; }

private:
    QStringList m_paths;
};

} // namespace Duovue
