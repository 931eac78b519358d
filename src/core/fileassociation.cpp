#include "core/fileassociation.h"

#include <algorithm>
#include <optional>

#include <QFile>
#include <QFileInfo>
#include <QStandardPaths>

#include "core/atomicfile.h"
#include "core/shellservices.h"

namespace Duovue
{

namespace
{

const QString DefaultSection = QStringLiteral("[Default Applications]");
const QString DocumentGlob = QStringLiteral("*.duov");

QByteArray readFile(const QString &path)
{
    QFile file(path);
    if (!file.open(QIODevice::ReadOnly))
        return {};
    return file.readAll();
}

bool isSectionLine(QStringView line)
{
    const QStringView t = line.trimmed();
    return t.startsWith(u'[') && t.endsWith(u']');
}

// The desktop ids listed for @p type in the [Default Applications] group of a mimeapps.list text;
// nullopt when the type has no entry there.
std::optional<QStringList> defaultsIn(const QString &text, const QString &type)
{
    bool inDefaults = false;
    for (const QString &line : text.split(u'\n')) {
        if (isSectionLine(line)) {
            inDefaults = line.trimmed() == DefaultSection;
            continue;
        }
        if (!inDefaults)
            continue;
        const qsizetype eq = line.indexOf(u'=');
        if (eq < 0 || line.first(eq).trimmed() != type)
            continue;
        return line.sliced(eq + 1).trimmed().split(u';', Qt::SkipEmptyParts);
    }
    return std::nullopt;
}

// The mimeapps.list text with the default for @p type set to @p desktopId, or with @p desktopId
// taken out of it when @p add is false (the key goes when nothing is left). Every other line stays.
QString withDefault(const QString &text, const QString &type, const QString &desktopId, bool add)
{
    QStringList lines = text.isEmpty() ? QStringList() : text.split(u'\n');
    if (!lines.isEmpty() && lines.constLast().isEmpty())
        lines.removeLast();
    qsizetype section = -1;
    qsizetype sectionEnd = lines.size();
    qsizetype keyLine = -1;
    for (qsizetype i = 0; i < lines.size(); ++i) {
        if (isSectionLine(lines[i])) {
            if (section >= 0 && sectionEnd == lines.size())
                sectionEnd = i;
            if (lines[i].trimmed() == DefaultSection && section < 0)
                section = i;
            continue;
        }
        const qsizetype eq = lines[i].indexOf(u'=');
        if (section >= 0 && sectionEnd == lines.size() && eq >= 0 && lines[i].first(eq).trimmed() == type)
            keyLine = i;
    }
    const QString entry = type + u'=' + desktopId + u';';
    if (add) {
        if (keyLine >= 0) {
            lines[keyLine] = entry;
        } else if (section >= 0) {
            // After the group's last key, before the blank lines that separate it from the next one.
            qsizetype at = sectionEnd;
            while (at > section + 1 && lines[at - 1].trimmed().isEmpty())
                --at;
            lines.insert(at, entry);
        } else {
            if (!lines.isEmpty() && !lines.constLast().trimmed().isEmpty())
                lines.append(QString());
            lines << DefaultSection << entry;
        }
    } else if (keyLine >= 0) {
        const qsizetype eq = lines[keyLine].indexOf(u'=');
        QStringList ids = lines[keyLine].sliced(eq + 1).trimmed().split(u';', Qt::SkipEmptyParts);
        ids.removeAll(desktopId);
        if (ids.isEmpty()) {
            lines.removeAt(keyLine);
            --sectionEnd;
        } else {
            lines[keyLine] = type + u'=' + ids.join(u';') + u';';
        }
        // A group left without keys is what associate added to a list that had none: it goes too,
        // with the blank line that separated it, so a list associate created is removed whole.
        const bool groupEmpty =
            std::all_of(lines.cbegin() + section + 1, lines.cbegin() + sectionEnd, [](const QString &l) {
                return l.trimmed().isEmpty();
            });
        if (groupEmpty) {
            qsizetype first = section;
            while (first > 0 && lines[first - 1].trimmed().isEmpty())
                --first;
            lines.remove(first, sectionEnd - first);
        }
    }
    return lines.isEmpty() ? QString() : lines.join(u'\n') + u'\n';
}

// Quotes one Exec argument (always quoted, which the desktop entry rules allow) and escapes it for a
// desktop entry string value.
QString execArgument(const QString &path)
{
    QString quoted;
    for (const QChar c : path) {
        if (c == u'"' || c == u'`' || c == u'$' || c == u'\\')
            quoted += u'\\';
        quoted += c;
    }
    quoted = u'"' + quoted + u'"';
    quoted.replace(u'%', QStringLiteral("%%"));
    quoted.replace(u'\\', QStringLiteral("\\\\"));
    return quoted;
}

QByteArray mimePackage()
{
    return QByteArrayLiteral("<?xml version=\"1.0\" encoding=\"UTF-8\"?>\n"
                             "<mime-info xmlns=\"http://www.freedesktop.org/standards/shared-mime-info\">\n"
                             "  <mime-type type=\"application/x-duovue\">\n"
                             "    <comment>Duovue document</comment>\n"
                             "    <comment xml:lang=\"ja\">Duovue ファイル</comment>\n"
                             "    <glob pattern=\"*.duov\"/>\n"
                             "    <magic priority=\"50\"><match type=\"string\" value=\"DV\" offset=\"0\"/></magic>\n"
                             "  </mime-type>\n"
                             "</mime-info>\n");
}

// Every mimeapps.list in the order the freedesktop.org rules consult them.
QStringList mimeAppsLists(const AssociationPaths &paths)
{
    QStringList desktops;
    for (const QString &d : qEnvironmentVariable("XDG_CURRENT_DESKTOP").split(u':', Qt::SkipEmptyParts))
        desktops << d.toLower();
    QStringList files;
    const auto addDir = [&](const QString &dir) {
        if (dir.isEmpty())
            return;
        for (const QString &d : desktops)
            files << dir + u'/' + d + QStringLiteral("-mimeapps.list");
        files << dir + QStringLiteral("/mimeapps.list");
    };
    addDir(paths.configHome);
    for (const QString &d : paths.configDirs)
        addDir(d);
    addDir(paths.dataHome.isEmpty() ? QString() : paths.dataHome + QStringLiteral("/applications"));
    for (const QString &d : paths.dataDirs)
        addDir(d + QStringLiteral("/applications"));
    return files;
}

Result<bool> removeIfPresent(const QString &path)
{
    if (!QFileInfo::exists(path))
        return false;
    QFile file(path);
    if (!file.remove())
        return Error{Error::Code::WriteFailed, QStringLiteral("%1: %2").arg(path, file.errorString())};
    return true;
}

} // namespace

AssociationPaths AssociationPaths::fromEnvironment()
{
    AssociationPaths p;
    p.dataHome = QStandardPaths::writableLocation(QStandardPaths::GenericDataLocation);
    p.configHome = QStandardPaths::writableLocation(QStandardPaths::GenericConfigLocation);
    p.dataDirs = QStandardPaths::standardLocations(QStandardPaths::GenericDataLocation);
    p.dataDirs.removeAll(p.dataHome);
    p.configDirs = QStandardPaths::standardLocations(QStandardPaths::GenericConfigLocation);
    p.configDirs.removeAll(p.configHome);
    return p;
}

QString AssociationOutcome::message() const
{
    switch (kind) {
    case Kind::Written:
        return QStringLiteral("関連付けしました。");
    case Kind::AlreadyAssociated:
        return QStringLiteral("すでに Duovue に関連付けられています。");
    case Kind::AssociatedWithOther:
        return QStringLiteral("duovファイルは他のプログラムに関連付けられているため、関連付けしませんでした。\r\n(%1)")
            .arg(detail);
    case Kind::Removed:
        return QStringLiteral("関連付けをはずしました。");
    case Kind::NotAssociated:
        if (detail.isEmpty())
            return QStringLiteral("duovファイルは Duovue に関連付けられていません。");
        return QStringLiteral("duovファイルは Duovue に関連付けられていません。\r\n(%1)").arg(detail);
    case Kind::Failed:
        break;
    }
    return QStringLiteral("関連付けの設定に失敗しました。\r\n%1").arg(detail);
}

FileAssociation::FileAssociation(AssociationPaths paths, QString executablePath)
    : m_paths(std::move(paths))
    , m_executable(std::move(executablePath))
{
}

QString FileAssociation::mimePackagePath() const
{
    return m_paths.dataHome + QStringLiteral("/mime/packages/duovue.xml");
}

QString FileAssociation::desktopEntryPath() const
{
    return m_paths.dataHome + QStringLiteral("/applications/") + desktopId();
}

QString FileAssociation::mimeAppsListPath() const
{
    return m_paths.configHome + QStringLiteral("/mimeapps.list");
}

QByteArray FileAssociation::desktopEntry() const
{
    const QString text = QStringLiteral("[Desktop Entry]\n"
                                        "Type=Application\n"
                                        "Name=Duovue\n"
                                        "Comment=Open Duovue comparison documents\n"
                                        "Comment[ja]=Duovue の比較ドキュメントを開きます\n"
                                        "Exec=%1 %f\n"
                                        "Icon=%2\n"
                                        "MimeType=%3;\n"
                                        "NoDisplay=true\n"
                                        "Terminal=false\n")
                             .arg(execArgument(m_executable), QStringLiteral(DUOVUE_APP_ID), mimeType());
    return text.toUtf8();
}

QString FileAssociation::installedDesktopId() const
{
    const QString id = QStringLiteral(DUOVUE_APP_ID ".desktop");
    for (const QString &dir : m_paths.dataDirs) {
        if (!dir.isEmpty() && QFileInfo::exists(dir + QStringLiteral("/applications/") + id))
            return id;
    }
    return {};
}

bool FileAssociation::hasInstalledMimePackage() const
{
    for (const QString &dir : m_paths.dataDirs) {
        if (!dir.isEmpty() && QFileInfo::exists(dir + QStringLiteral("/mime/packages/" DUOVUE_APP_ID ".xml")))
            return true;
    }
    return false;
}

QString FileAssociation::handlerId() const
{
    const QString installed = installedDesktopId();
    return installed.isEmpty() ? desktopId() : installed;
}

bool FileAssociation::defaultIsOurs() const
{
    const auto ids = defaultsIn(QString::fromUtf8(readFile(mimeAppsListPath())), mimeType());
    return ids && !ids->isEmpty() && ids->constFirst() == handlerId();
}

QString FileAssociation::otherHolder() const
{
    // The first list that names a default for the type decides which program opens it.
    for (const QString &file : mimeAppsLists(m_paths)) {
        const auto ids = defaultsIn(QString::fromUtf8(readFile(file)), mimeType());
        if (!ids || ids->isEmpty())
            continue;
        if (ids->constFirst() != desktopId() && ids->constFirst() != QStringLiteral(DUOVUE_APP_ID ".desktop"))
            return ids->constFirst();
        break;
    }
    // Another type that claims the extension wins over ours in the MIME database.
    QStringList mimeDirs{m_paths.dataHome};
    mimeDirs += m_paths.dataDirs;
    for (const QString &dir : mimeDirs) {
        if (dir.isEmpty())
            continue;
        const QString text = QString::fromUtf8(readFile(dir + QStringLiteral("/mime/globs2")));
        for (const QString &line : text.split(u'\n')) {
            if (line.startsWith(u'#'))
                continue;
            const QStringList parts = line.split(u':');
            if (parts.size() >= 3 && parts[2].compare(DocumentGlob, Qt::CaseInsensitive) == 0 && parts[1] != mimeType())
                return parts[1];
        }
    }
    return {};
}

AssociationOutcome FileAssociation::associate(ShellServices &shell) const
{
    using Kind = AssociationOutcome::Kind;
    const bool installed = !installedDesktopId().isEmpty();
    const bool needPackage = !hasInstalledMimePackage();
    const bool hasPackage = QFileInfo::exists(mimePackagePath());
    const bool hasEntry = QFileInfo::exists(desktopEntryPath());
    if ((hasPackage || !needPackage) && (hasEntry || installed) && defaultIsOurs())
        return {Kind::AlreadyAssociated, {}};
    const QString other = otherHolder();
    if (!other.isEmpty())
        return {Kind::AssociatedWithOther, other};

    // A half-finished earlier attempt is completed; files this attempt creates go again on failure.
    QStringList created;
    const auto rollBack = [&](const QString &path, const Error &error) {
        for (const QString &c : std::as_const(created))
            QFile::remove(c);
        return AssociationOutcome{Kind::Failed, QStringLiteral("%1: %2").arg(path, error.message)};
    };
    // The desktop's own data and configuration folders, which a fresh account may not have yet.
    for (const QString &path : {mimePackagePath(), desktopEntryPath(), mimeAppsListPath()}) {
        const QString folder = QFileInfo(path).absolutePath();
        if (const Result<void> r = makeOwnFolder(folder); !r)
            return rollBack(folder, r.error());
    }
    if (needPackage) {
        if (const Result<void> r = writeFileAtomically(mimePackagePath(), mimePackage()); !r)
            return rollBack(mimePackagePath(), r.error());
        if (!hasPackage)
            created << mimePackagePath();
    }
    if (!installed) {
        if (const Result<void> r = writeFileAtomically(desktopEntryPath(), desktopEntry()); !r)
            return rollBack(desktopEntryPath(), r.error());
        if (!hasEntry)
            created << desktopEntryPath();
    }
    const QString list = QString::fromUtf8(readFile(mimeAppsListPath()));
    // An entry of ours that an earlier association named gives way to the installed one.
    QString updated = installed ? withDefault(list, mimeType(), desktopId(), false) : list;
    updated = withDefault(updated, mimeType(), handlerId(), true);
    if (updated != list) {
        if (const Result<void> r = writeFileAtomically(mimeAppsListPath(), updated.toUtf8()); !r)
            return rollBack(mimeAppsListPath(), r.error());
    }
    shell.associationsChanged();
    return {Kind::Written, {}};
}

AssociationOutcome FileAssociation::remove(ShellServices &shell) const
{
    using Kind = AssociationOutcome::Kind;
    const bool hasPackage = QFileInfo::exists(mimePackagePath());
    const bool hasEntry = QFileInfo::exists(desktopEntryPath());
    const QString list = QString::fromUtf8(readFile(mimeAppsListPath()));
    const auto ids = defaultsIn(list, mimeType());
    const QString installedId = QStringLiteral(DUOVUE_APP_ID ".desktop");
    const bool listed = ids && (ids->contains(desktopId()) || ids->contains(installedId));
    if (!hasPackage && !hasEntry && !listed)
        return {Kind::NotAssociated, otherHolder()};

    QStringList failures;
    bool changed = false;
    for (const QString &path : {mimePackagePath(), desktopEntryPath()}) {
        const Result<bool> r = removeIfPresent(path);
        if (!r)
            failures << r.error().message;
        else
            changed = changed || r.value();
    }
    if (listed) {
        // A list with nothing else in it is the one associate created.
        const QString rest =
            withDefault(withDefault(list, mimeType(), desktopId(), false), mimeType(), installedId, false);
        QString failure;
        if (rest.trimmed().isEmpty()) {
            if (const Result<bool> r = removeIfPresent(mimeAppsListPath()); !r)
                failure = r.error().message;
        } else if (const Result<void> r = writeFileAtomically(mimeAppsListPath(), rest.toUtf8()); !r) {
            failure = QStringLiteral("%1: %2").arg(mimeAppsListPath(), r.error().message);
        }
        if (failure.isEmpty())
            changed = true;
        else
            failures << failure;
    }
    if (changed)
        shell.associationsChanged();
    if (!failures.isEmpty())
        return {Kind::Failed, failures.join(QStringLiteral("\r\n"))};
    return {Kind::Removed, {}};
}

AssociationOutcome FileAssociation::apply(int choice, ShellServices &shell) const
{
    return choice == 0 ? associate(shell) : remove(shell);
}

} // namespace Duovue
