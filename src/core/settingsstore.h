#pragma once

#include <optional>

#include <QString>

#include "core/result.h"

namespace Duovue
{

struct IntSetting;
struct StringSetting;

/// The INI settings file `Duovue.ini`.
///
/// Every read goes to the file (nothing is cached), every write replaces the file at once and
/// atomically: the file is read, the one key changed in place, and the whole text written to a
/// temporary file that is renamed over the old one. Comments, unknown sections and keys, and
/// their order survive a write, and every line a write does not change keeps its bytes, in
/// whatever encoding and with whatever line end it has. Text is read and written as UTF-8; section
/// and key names are compared exactly. A file that is there but cannot be read is never replaced.
///
/// Thread: any, but one store per thread; two writers at once may lose one of the writes.
class SettingsStore
{
public:
    /// Maximum length of a string value in bytes (UTF-8), as the INI rules give it.
    static constexpr int MaxStringBytes = 4095;
    /// A settings file longer than this is not read: its values read as their defaults and it is
    /// never replaced. Nor is anything but a regular file (a FIFO, a device) read.
    static constexpr qint64 MaxFileBytes = 4 * 1024 * 1024;

    explicit SettingsStore(QString path);

    /// Where the store lives on this machine: the file named by $DUOVUE_INI; else Duovue.ini beside
    /// the executable when one exists there (portable use); else $XDG_CONFIG_HOME/duovue/Duovue.ini.
    static QString defaultPath(const QString &executableDir);

    const QString &path() const { return m_path; }

    /// Signed decimal number at the start of the value (optional sign, then digits; 0 when the value
    /// does not start with a number); @p defaultValue when the key is missing or the file unreadable.
    int readInt(const QString &section, const QString &key, int defaultValue) const;
    /// The value, cut to MaxStringBytes bytes at a character boundary; @p defaultValue when missing.
    QString readString(const QString &section, const QString &key, const QString &defaultValue) const;
    bool contains(const QString &section, const QString &key) const;

    Result<void> writeInt(const QString &section, const QString &key, int value);
    Result<void> writeString(const QString &section, const QString &key, const QString &value);

    int value(const IntSetting &setting) const;
    QString value(const StringSetting &setting) const;
    Result<void> setValue(const IntSetting &setting, int value);
    Result<void> setValue(const StringSetting &setting, const QString &value);

    /// Leading-number rule of the INI integer reader, exposed for the parsers that share it.
    static int parseLeadingInt(QStringView text);

private:
    std::optional<QString> rawValue(const QString &section, const QString &key) const;

    QString m_path;
};

} // namespace Duovue
