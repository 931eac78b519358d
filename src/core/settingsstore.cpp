#include "core/settingsstore.h"

#include <limits>

#include <QDir>
#include <QFileInfo>

#include "core/appsettings.h"
#include "core/atomicfile.h"
#include "core/blockreader.h"

namespace Duovue
{

namespace
{

// The file as byte lines, each without its "\n" but with any "\r" before it. Lines are matched
// through their UTF-8 text but written back as the bytes they were, so that a line the program does
// not change survives whatever its encoding (a hand-written Shift-JIS comment, say).
struct RawFile {
    QByteArray data;
    QList<QByteArray> lines;
    bool exists = false;
    bool readable = true; // false when the file is there but could not be read
    QString problem; // why, when known
};

RawFile readRawFile(const QString &path)
{
    RawFile file;
    // A regular file of sensible size only: DUOVUE_INI naming a FIFO would stall the start, and
    // one naming /dev/zero would be read until memory ran out; neither is ever replaced by a write.
    Result<QByteArray> data = BlockReader::readAll(path, SettingsStore::MaxFileBytes);
    file.exists = data || data.error().code != Error::Code::NotFound;
    if (!data) {
        file.readable = !file.exists;
        file.problem = data.error().message;
        return file;
    }
    file.data = std::move(data).value();
    file.lines = file.data.split('\n');
    // A file that ends in a newline yields one empty tail element; it is not a line of its own.
    if (file.data.isEmpty() || file.data.endsWith('\n'))
        file.lines.removeLast();
    return file;
}

// The line as text for matching: without its "\r", decoded as UTF-8. Bytes that are not UTF-8
// decode to U+FFFD, which no section or key name of the program contains.
QString lineText(const QByteArray &raw)
{
    QByteArrayView view(raw);
    if (view.endsWith('\r'))
        view.chop(1);
    return QString::fromUtf8(view);
}

std::optional<QString> sectionName(const QString &line)
{
    const QString t = line.trimmed();
    if (!t.startsWith(QLatin1Char('[')))
        return std::nullopt;
    const qsizetype close = t.indexOf(QLatin1Char(']'));
    if (close < 0)
        return std::nullopt;
    return t.mid(1, close - 1).trimmed();
}

bool isComment(const QString &line)
{
    const QString t = line.trimmed();
    return t.startsWith(QLatin1Char(';')) || t.startsWith(QLatin1Char('#'));
}

// Splits "key=value"; returns false for lines without '=' and for comments.
bool splitKeyValue(const QString &line, QString *key, QString *value)
{
    if (isComment(line))
        return false;
    const qsizetype eq = line.indexOf(QLatin1Char('='));
    if (eq < 0)
        return false;
    *key = line.left(eq).trimmed();
    *value = line.mid(eq + 1).trimmed();
    return true;
}

QString cutToBytes(const QString &value, int maxBytes)
{
    QByteArray utf8 = value.toUtf8();
    if (utf8.size() <= maxBytes)
        return value;
    qsizetype n = maxBytes;
    // Step back over continuation bytes so a multi-byte character is never cut in half.
    while (n > 0 && (static_cast<unsigned char>(utf8.at(n)) & 0xC0) == 0x80)
        --n;
    return QString::fromUtf8(utf8.left(n));
}

QString ownSettingsFolder()
{
    QString config = qEnvironmentVariable("XDG_CONFIG_HOME");
    if (config.isEmpty())
        config = QDir::homePath() + QStringLiteral("/.config");
    return config + QStringLiteral("/duovue");
}

Result<void> replaceValue(const QString &path, const QString &section, const QString &key, const QString &value)
{
    RawFile file = readRawFile(path);
    // Writing now would replace every other setting with this one key.
    if (!file.readable)
        return Error{Error::Code::ReadFailed,
            file.problem.isEmpty() ? QStringLiteral("Cannot read %1").arg(path)
                                   : QStringLiteral("Cannot read %1: %2").arg(path, file.problem)};
    QList<QByteArray> &lines = file.lines;
    // New lines follow the file's own line ends.
    const QByteArray eol = !lines.isEmpty() && lines.first().endsWith('\r') ? QByteArray("\r") : QByteArray();
    const QByteArray newLine = (key + QLatin1Char('=') + value).toUtf8();

    bool inSection = false;
    qsizetype sectionEnd = -1; // index after the last non-blank line of the wanted section
    bool done = false;
    for (qsizetype i = 0; i < lines.size(); ++i) {
        const QString text = lineText(lines.at(i));
        if (const auto name = sectionName(text)) {
            if (inSection)
                break;
            inSection = (*name == section);
            if (inSection)
                sectionEnd = i + 1;
            continue;
        }
        if (!inSection)
            continue;
        QString k, v;
        if (splitKeyValue(text, &k, &v) && k == key) {
            lines[i] = newLine + (lines.at(i).endsWith('\r') ? QByteArray("\r") : QByteArray());
            done = true;
            break;
        }
        if (!text.trimmed().isEmpty())
            sectionEnd = i + 1;
    }
    // A file whose last line had no line end keeps it so unless a line is added after it.
    bool finalEol = file.data.isEmpty() || file.data.endsWith('\n');
    if (!done) {
        if (sectionEnd >= 0) {
            finalEol = finalEol || sectionEnd == lines.size();
            lines.insert(sectionEnd, newLine + eol);
        } else {
            if (!lines.isEmpty() && !lineText(lines.last()).trimmed().isEmpty())
                lines.append(eol);
            lines.append((QLatin1Char('[') + section + QLatin1Char(']')).toUtf8() + eol);
            lines.append(newLine + eol);
            finalEol = true;
        }
    }

    QByteArray data = lines.join('\n');
    if (finalEol)
        data += '\n';
    if (file.exists && data == file.data)
        return {};
    // The program's own settings folder is made when it is missing; a folder named from outside
    // (DUOVUE_INI) must exist already.
    const QString folder = QFileInfo(path).absolutePath();
    if (!file.exists && folder == ownSettingsFolder()) {
        if (const Result<void> made = makeOwnFolder(folder); !made)
            return made;
    }
    if (const Result<void> written = writeFileAtomically(path, data); !written)
        return Error{written.error().code, QStringLiteral("Cannot write %1: %2").arg(path, written.error().message)};
    return {};
}

} // namespace

SettingsStore::SettingsStore(QString path)
    : m_path(std::move(path))
{
}

QString SettingsStore::defaultPath(const QString &executableDir)
{
    const QString fromEnv = qEnvironmentVariable("DUOVUE_INI");
    if (!fromEnv.isEmpty())
        return fromEnv;
    const QString portable = QDir(executableDir).filePath(QStringLiteral("Duovue.ini"));
    if (QFileInfo::exists(portable))
        return portable;
    return ownSettingsFolder() + QStringLiteral("/Duovue.ini");
}

int SettingsStore::parseLeadingInt(QStringView text)
{
    qsizetype i = 0;
    while (i < text.size() && (text[i] == QLatin1Char(' ') || text[i] == QLatin1Char('\t')))
        ++i;
    bool negative = false;
    if (i < text.size() && (text[i] == QLatin1Char('-') || text[i] == QLatin1Char('+'))) {
        negative = text[i] == QLatin1Char('-');
        ++i;
    }
    long long v = 0;
    for (; i < text.size(); ++i) {
        const QChar c = text[i];
        if (c < QLatin1Char('0') || c > QLatin1Char('9'))
            break;
        v = v * 10 + (c.unicode() - '0');
        if (v > std::numeric_limits<int>::max())
            v = static_cast<long long>(std::numeric_limits<int>::max()) + 1;
    }
    if (negative)
        v = -v;
    if (v > std::numeric_limits<int>::max())
        return std::numeric_limits<int>::max();
    if (v < std::numeric_limits<int>::min())
        return std::numeric_limits<int>::min();
    return static_cast<int>(v);
}

std::optional<QString> SettingsStore::rawValue(const QString &section, const QString &key) const
{
    const RawFile file = readRawFile(m_path);
    bool inSection = false;
    for (const QByteArray &raw : file.lines) {
        const QString line = lineText(raw);
        if (const auto name = sectionName(line)) {
            inSection = (*name == section);
            continue;
        }
        if (!inSection)
            continue;
        QString k, v;
        if (splitKeyValue(line, &k, &v) && k == key)
            return v;
    }
    return std::nullopt;
}

bool SettingsStore::contains(const QString &section, const QString &key) const
{
    return rawValue(section, key).has_value();
}

int SettingsStore::readInt(const QString &section, const QString &key, int defaultValue) const
{
    const auto v = rawValue(section, key);
    return v ? parseLeadingInt(*v) : defaultValue;
}

QString SettingsStore::readString(const QString &section, const QString &key, const QString &defaultValue) const
{
    const auto v = rawValue(section, key);
    return cutToBytes(v ? *v : defaultValue, MaxStringBytes);
}

Result<void> SettingsStore::writeInt(const QString &section, const QString &key, int value)
{
    return replaceValue(m_path, section, key, QString::number(value));
}

Result<void> SettingsStore::writeString(const QString &section, const QString &key, const QString &value)
{
    // A line break would start a new INI line and corrupt the file; folders never hold one in practice.
    QString clean = value;
    clean.replace(QLatin1Char('\r'), QLatin1Char(' ')).replace(QLatin1Char('\n'), QLatin1Char(' '));
    return replaceValue(m_path, section, key, clean);
}

int SettingsStore::value(const IntSetting &setting) const
{
    return readInt(setting.section, setting.key, setting.defaultValue);
}

QString SettingsStore::value(const StringSetting &setting) const
{
    return readString(setting.section, setting.key, setting.defaultValue);
}

Result<void> SettingsStore::setValue(const IntSetting &setting, int value)
{
    return writeInt(setting.section, setting.key, value);
}

Result<void> SettingsStore::setValue(const StringSetting &setting, const QString &value)
{
    return writeString(setting.section, setting.key, value);
}

} // namespace Duovue
