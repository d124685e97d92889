#include "PresetFile.h"

#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

#include <cerrno>
#include <climits>
#include <cstdlib>
#include <cstring>
#include <fstream>

#include "Archive.h"
#include "PresetLoader.h"
#include "TALVRoute.h"

namespace {
std::string Describe(const std::string& strPath, const std::string& strWhat, int nErr)
{
    return strPath + ": " + strWhat + ": " + std::strerror(nErr);
}

std::string FolderOf(const std::string& strPath)
{
    const auto slash = strPath.find_last_of('/');
    if (slash == std::string::npos)
        return ".";
    return slash == 0 ? "/" : strPath.substr(0, slash);
}

// A link is followed, so saving through it updates the file it points at;
// one that points at nothing yet is followed too, as a POSIX cp writes
// through it: the link stays, and the file appears where it points.
std::string ResolveTarget(const std::string& strPath)
{
    // As many links in a row as the system itself follows.
    constexpr int MAX_LINKS = 40;
    std::string strTarget = strPath;
    for (int i = 0; i < MAX_LINKS; ++i) {
        struct stat st {};
        if (lstat(strTarget.c_str(), &st) != 0 || !S_ISLNK(st.st_mode))
            return strTarget;
        char buf[PATH_MAX];
        const ssize_t n = readlink(strTarget.c_str(), buf, sizeof buf - 1);
        if (n <= 0)
            return strTarget;
        const std::string strLink(buf, static_cast<std::size_t>(n));
        strTarget = strLink.front() == '/' ? strLink : FolderOf(strTarget) + "/" + strLink;
    }
    return strTarget;
}
}  // namespace

bool WriteAllBytes(int fd, const std::uint8_t* p, std::size_t n)
{
    while (n > 0) {
        const ssize_t w = ::write(fd, p, n);
        if (w < 0) {
            if (errno == EINTR)
                continue;
            return false;
        }
        p += w;
        n -= static_cast<std::size_t>(w);
    }
    return true;
}

bool ReadFileBytes(const std::string& strPath, std::vector<std::uint8_t>& out, std::string& strError)
{
    return ReadFileBytes(strPath, out, strError, MAX_PRESET_FILE_SIZE, "too large to be a preset file");
}

bool ReadFileBytes(const std::string& strPath, std::vector<std::uint8_t>& out, std::string& strError,
                   std::uintmax_t nMaxBytes, const std::string& strTooLarge)
{
    // Opening a FIFO without a writer, or a device, can wait for ever:
    // anything but a regular file is refused before it is opened, and the
    // open itself never waits.
    struct stat st {};
    if (stat(strPath.c_str(), &st) != 0) {
        strError = Describe(strPath, "cannot open", errno);
        return false;
    }
    if (!S_ISREG(st.st_mode)) {
        strError = strPath + ": not a regular file";
        return false;
    }
    const int fd = ::open(strPath.c_str(), O_RDONLY | O_CLOEXEC | O_NONBLOCK);
    if (fd < 0) {
        strError = Describe(strPath, "cannot open", errno);
        return false;
    }
    if (fstat(fd, &st) != 0 || !S_ISREG(st.st_mode)) {
        strError = strPath + ": not a regular file";
        ::close(fd);
        return false;
    }
    if (static_cast<std::uintmax_t>(st.st_size) > nMaxBytes) {
        strError = strPath + ": " + strTooLarge;
        ::close(fd);
        return false;
    }
    std::vector<std::uint8_t> bytes;
    std::uint8_t buf[8192];
    for (;;) {
        const ssize_t r = ::read(fd, buf, sizeof buf);
        if (r < 0 && errno == EINTR)
            continue;
        if (r < 0) {
            strError = Describe(strPath, "cannot read", errno);
            ::close(fd);
            return false;
        }
        if (r == 0)
            break;
        bytes.insert(bytes.end(), buf, buf + r);
        if (bytes.size() > nMaxBytes) {
            strError = strPath + ": " + strTooLarge;
            ::close(fd);
            return false;
        }
    }
    ::close(fd);
    out = std::move(bytes);
    return true;
}

bool CheckWritable(const std::string& strPath, std::string& strError)
{
    const std::string strTarget = ResolveTarget(strPath);
    struct stat st {};
    if (stat(strTarget.c_str(), &st) == 0) {
        if (S_ISDIR(st.st_mode)) {
            strError = strPath + ": is a folder";
            return false;
        }
        // A rename over a FIFO or a device node would put a file in its
        // place (/dev/full through a link): only files are ever replaced.
        if (!S_ISREG(st.st_mode)) {
            strError = strPath + " is not a regular file: not replaced";
            return false;
        }
        if (access(strTarget.c_str(), W_OK) != 0) {
            strError = Describe(strPath, "cannot replace it", errno);
            return false;
        }
    } else if (errno != ENOENT) {
        strError = Describe(strPath, "cannot write", errno);
        return false;
    }
    const std::string strFolder = FolderOf(strTarget);
    if (stat(strFolder.c_str(), &st) != 0) {
        strError = Describe(strPath, "no folder " + strFolder, errno);
        return false;
    }
    if (!S_ISDIR(st.st_mode)) {
        strError = strPath + ": " + strFolder + " is not a folder";
        return false;
    }
    if (access(strFolder.c_str(), W_OK | X_OK) != 0) {
        strError = Describe(strPath, "cannot create a file in its folder", errno);
        return false;
    }
    return true;
}

bool WriteFileAtomically(const std::string& strPath, const std::vector<std::uint8_t>& bytes, std::string& strError)
{
    if (!CheckWritable(strPath, strError))
        return false;
    const std::string strTarget = ResolveTarget(strPath);
    std::string strTemp = FolderOf(strTarget) + "/.varden-save-XXXXXX";
    const int fd = mkstemp(strTemp.data());
    if (fd < 0) {
        strError = Describe(strPath, "cannot create a file in its folder", errno);
        return false;
    }
    // Keep the permissions of the file being replaced; a new file gets the
    // usual ones.
    struct stat st {};
    mode_t mode;
    if (stat(strTarget.c_str(), &st) == 0) {
        mode = st.st_mode & 07777;
    } else {
        const mode_t mask = umask(0);
        umask(mask);
        mode = 0666 & ~mask;
    }
    bool bOk = fchmod(fd, mode) == 0 && WriteAllBytes(fd, bytes.data(), bytes.size()) && fsync(fd) == 0;
    int nErr = errno;
    if (::close(fd) != 0 && bOk) {
        bOk = false;
        nErr = errno;
    }
    if (bOk && std::rename(strTemp.c_str(), strTarget.c_str()) != 0) {
        bOk = false;
        nErr = errno;
    }
    if (!bOk) {
        ::unlink(strTemp.c_str());
        strError = Describe(strPath, "cannot write", nErr);
    }
    return bOk;
}

std::vector<std::uint8_t> StorePresetBytes(CTALVRoute& route)
{
    std::vector<std::uint8_t> bytes;
    CArchive ar(bytes);
    route.Serialize(ar);
    return bytes;
}

bool LoadPresetFile(const std::string& strPath, CTALVRoute& route, std::string& strError)
{
    std::vector<std::uint8_t> bytes;
    if (!ReadFileBytes(strPath, bytes, strError))
        return false;
    const PresetFault fault = LoadPresetBytes(bytes, route, strError);
    if (fault == PresetFault::None)
        return true;
    strError = strPath + (fault == PresetFault::NotAPreset ? ": not a preset file: " : ": ") + strError;
    return false;
}

bool SavePresetFile(const std::string& strPath, CTALVRoute& route, std::string& strError)
{
    return WriteFileAtomically(strPath, StorePresetBytes(route), strError);
}
