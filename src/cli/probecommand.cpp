#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

#include "cli/clicommand.h"
#include "core/nativepath.h"
#include "imaging/pictureloader.h"
#include "imaging/probeimageheader.h"

namespace Duovue::Cli
{

namespace
{

void printHeader(QTextStream &out, const ImageInfo &info)
{
    out << "  type:        " << info.typeText << '\n'
        << "  exif:        " << (info.exifFlag ? "yes" : "no") << '\n'
        << "  bit depth:   " << info.bitDepth << '\n'
        << "  resolution:  " << info.horizontalResolution << " x " << info.verticalResolution << " dpi\n";
}

/// What the header alone tells about a file the decoder refused, when the file can be read.
void printHeaderOfUndecodable(QTextStream &out, const QString &path)
{
    // Never blocking on a pipe or a device put in the file's place.
    const int fd = ::open(NativePath::encode(path).constData(), O_RDONLY | O_NONBLOCK | O_CLOEXEC | O_NOCTTY);
    if (fd < 0)
        return;
    struct stat st {
    };
    // The probe needs the first 46 bytes and the Exif IFD0, which sits near the start.
    QByteArray head(64 * 1024, Qt::Uninitialized);
    const ssize_t n = ::fstat(fd, &st) == 0 && S_ISREG(st.st_mode) ? ::read(fd, head.data(), size_t(head.size())) : -1;
    ::close(fd);
    if (n < 0)
        return;
    head.truncate(n);
    ImageInfo info;
    const Resolution resolution = ProbeImageHeader(head, info);
    info.horizontalResolution = resolution.horizontal;
    info.verticalResolution = resolution.vertical;
    printHeader(out, info);
}

int run(const QStringList &args, Io &io)
{
    const std::optional<Arguments> parsed = parseFlags(io, probeCommand(), args);
    if (!parsed)
        return Usage;
    const QStringList &files = parsed->operands;
    if (files.isEmpty())
        return usageError(io, probeCommand(), QStringLiteral("no file given"));

    int failures = 0;
    for (const QString &path : files) {
        io.out << escaped(path) << '\n';
        const Result<DecodedPicture> read = ReadPicture(path);
        if (!read.ok()) {
            ++failures;
            const bool undecodable =
                read.error().code == Error::Code::InvalidData || read.error().code == Error::Code::Unsupported;
            if (undecodable)
                printHeaderOfUndecodable(io.out, path);
            const char *what = undecodable                   ? "cannot be decoded"
                : read.error().code == Error::Code::NotFound ? "no such file"
                                                             : "cannot be read";
            io.out << "  error:       " << what << '\n';
            io.err << "duovue-cli probe: " << escaped(read.error().message) << '\n';
            continue;
        }
        const ImageInfo &info = read.value().info;
        printHeader(io.out, info);
        io.out << "  size:        " << info.width << " x " << info.height << '\n' << "  information:\n";
        for (const QString &line : InformationText(info).split(QStringLiteral("\r\n")))
            io.out << "    " << line << '\n';
    }
    return failures > 0 ? Failure : Success;
}

} // namespace

const Command &probeCommand()
{
    static const Command command{"probe",
        "probe [--] FILE...",
        "Identify each picture file from its header, decode it and print its type, Exif flag, bit depth, "
        "resolution, pixel size and information text. Exit 1 when any file could not be read or decoded.",
        run};
    return command;
}

} // namespace Duovue::Cli
