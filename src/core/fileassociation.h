#pragma once

#include <QString>
#include <QStringList>

namespace Duovue
{

class ShellServices;

/// The freedesktop.org folders the association reads and writes.
struct AssociationPaths {
    QString dataHome; // $XDG_DATA_HOME: mime/packages/ and applications/ are written here
    QString configHome; // $XDG_CONFIG_HOME: mimeapps.list is written here
    QStringList dataDirs; // $XDG_DATA_DIRS: read to find another program's claim
    QStringList configDirs; // $XDG_CONFIG_DIRS: the same

    /// The folders of this session (QStandardPaths, which honours the XDG variables).
    static AssociationPaths fromEnvironment();
};

/// What an associate or remove request really did.
struct AssociationOutcome {
    enum class Kind {
        Written, // the association is now Duovue's
        AlreadyAssociated, // it already was; nothing changed
        AssociatedWithOther, // another program or MIME type holds ".duov"; nothing changed
        Removed, // Duovue's association is gone
        NotAssociated, // there was nothing of Duovue's to remove
        Failed // a file could not be written or deleted; detail says which and why
    };
    Kind kind = Kind::Failed;
    QString detail;

    /// The message for the user and whether it reports a failure.
    QString message() const;
    bool isFailure() const { return kind == Kind::Failed; }
    bool isBlocked() const { return kind == Kind::AssociatedWithOther; }
};

/// Makes Duovue the handler of ".duov" documents on a freedesktop.org desktop, or undoes that.
///
/// Associate writes up to three things: a shared-mime-info package that names the type
/// application/x-duovue with the glob "*.duov", the desktop entry "duovue.desktop" whose Exec is the
/// executable, and that entry as the type's default in mimeapps.list. When the program is installed
/// (its own desktop entry and MIME package are in a system data folder), only the default is written,
/// naming the installed entry: a second entry with an absolute path would outlive a moved or removed
/// program. Remove deletes exactly what associate wrote.
/// An association held by another program (another default for the type, or another type claiming
/// "*.duov") blocks associate, as an existing extension key does on other systems. After every
/// change the shell is told, so the desktop's MIME and desktop databases are rebuilt.
///
/// Thread: GUI thread (it calls ShellServices).
class FileAssociation
{
public:
    static QString mimeType() { return QStringLiteral("application/x-duovue"); }
    static QString desktopId() { return QStringLiteral("duovue.desktop"); }

    FileAssociation(AssociationPaths paths, QString executablePath);

    AssociationOutcome associate(ShellServices &shell) const;
    AssociationOutcome remove(ShellServices &shell) const;
    /// The settings dialog's choice: 0 associate, 1 remove.
    AssociationOutcome apply(int choice, ShellServices &shell) const;

    QString mimePackagePath() const;
    QString desktopEntryPath() const;
    QString mimeAppsListPath() const;

    /// The text of the desktop entry associate writes.
    QByteArray desktopEntry() const;

    /// The desktop id the default names: the installed entry's when there is one, else desktopId().
    QString handlerId() const;

private:
    /// The installed entry's id when a system data folder holds it; empty otherwise.
    QString installedDesktopId() const;
    /// A system data folder holds the installed MIME package of the type.
    bool hasInstalledMimePackage() const;
    /// The program or type that holds ".duov" when it is not Duovue; empty when none does.
    QString otherHolder() const;
    bool defaultIsOurs() const;

    AssociationPaths m_paths;
    QString m_executable;
};

} // namespace Duovue
