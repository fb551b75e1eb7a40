#include "model/replacefile.h"

#include <cerrno>
#include <cstdio>
#include <cstring>
#include <fcntl.h>
#include <filesystem>
#include <random>
#include <system_error>
#include <unistd.h>

namespace tarsen {

namespace {

namespace fs = std::filesystem;

constexpr std::string_view kTemporaryMark = ".tmp.";
constexpr std::size_t kTemporaryDigits = 8;

std::string SystemReason(int err) { return std::strerror(err); }

/// Creates a new file beside target that no other file is using, open for writing.
std::FILE* CreateTemporary(const fs::path& target, std::string& name, int& err)
{
    std::random_device seed;
    std::mt19937 gen(seed());
    for (int attempt = 0; attempt < 16; ++attempt) {
        char suffix[16];
        std::snprintf(suffix, sizeof suffix, "%08x", static_cast<unsigned>(gen()));
        fs::path tmp = target;
        tmp += std::string(kTemporaryMark) + suffix;
        // "x": fail rather than reuse a file that exists.
        if (std::FILE* f = std::fopen(tmp.c_str(), "wbx")) {
            name = tmp.string();
            return f;
        }
        err = errno;
        if (err != EEXIST)
            return nullptr;
    }
    return nullptr;
}

/// Removes the temporary files of earlier saves of target that were killed before their rename
/// (a save that fails otherwise removes its own). Only regular files named as CreateTemporary
/// names them are touched; a folder that cannot be listed is left alone, since the save may
/// still succeed.
void RemoveStaleTemporaries(const fs::path& target)
{
    const std::string targetName = target.filename().string();
    if (targetName.empty())
        return;
    const fs::path folder = target.has_parent_path() ? target.parent_path() : fs::path(".");
    std::error_code ec;
    for (fs::directory_iterator it(folder, ec), end; !ec && it != end; it.increment(ec)) {
        const std::string name = it->path().filename().string();
        std::error_code ignored;
        if (IsTemporaryOf(name, targetName) && it->is_regular_file(ignored) && !it->is_symlink())
            fs::remove(it->path(), ignored);
    }
}

/// Flushes the file's data to the disk, so that the rename cannot put in place a file whose
/// contents a power cut would still lose. Returns 0 or the system's error number.
int SyncFile(const std::string& name)
{
    const int fd = ::open(name.c_str(), O_RDONLY | O_CLOEXEC);
    if (fd < 0)
        return errno;
    const int err = ::fsync(fd) == 0 ? 0 : errno;
    ::close(fd);
    return err;
}

/// Clears what killed saves of the target left and opens a new temporary file beside it;
/// nullptr with the reason in `error` when none can be made.
std::FILE* StartTemporary(const fs::path& target, std::string& tmp, std::string& error)
{
    RemoveStaleTemporaries(target);
    int err = 0;
    std::FILE* f = CreateTemporary(target, tmp, err);
    if (!f)
        error = "cannot create a file in its folder (" + SystemReason(err) + ")";
    return f;
}

bool Finish(const fs::path& target, const std::string& tmp, std::string& error,
            const std::function<bool(const std::string& temporary)>& beforeRename)
{
    if (beforeRename && !beforeRename(tmp)) {
        error = "the save was interrupted";
        return false;
    }
    std::error_code ec;
    fs::rename(tmp, target, ec);
    if (ec) {
        error = "cannot replace the file (" + ec.message() + ")";
        std::error_code ignored;
        fs::remove(tmp, ignored);
        return false;
    }
    return true;
}

} // namespace

bool IsTemporaryOf(std::string_view name, std::string_view targetName)
{
    if (name.size() != targetName.size() + kTemporaryMark.size() + kTemporaryDigits ||
        !name.starts_with(targetName))
        return false;
    name.remove_prefix(targetName.size());
    if (!name.starts_with(kTemporaryMark))
        return false;
    name.remove_prefix(kTemporaryMark.size());
    for (char c : name)
        if (!((c >= '0' && c <= '9') || (c >= 'a' && c <= 'f')))
            return false;
    return true;
}

bool ReplaceFile(const std::string& path, std::string_view bytes, std::string& error,
                 const std::function<bool(const std::string& temporary)>& beforeRename)
{
    const fs::path target(path);
    std::string tmp;
    std::FILE* f = StartTemporary(target, tmp, error);
    if (!f)
        return false;
    int err = 0;
    bool ok = std::fwrite(bytes.data(), 1, bytes.size(), f) == bytes.size();
    ok = ok && std::fflush(f) == 0;
    ok = ok && ::fsync(::fileno(f)) == 0;
    err = errno;
    if (std::fclose(f) != 0 && ok) {
        ok = false;
        err = errno;
    }
    if (!ok) {
        error = "writing failed (" + SystemReason(err) + ")";
        std::error_code ignored;
        fs::remove(tmp, ignored);
        return false;
    }
    return Finish(target, tmp, error, beforeRename);
}

bool ReplaceFileBy(const std::string& path, const TemporaryWriter& write, std::string& error,
                   const std::function<bool(const std::string& temporary)>& beforeRename)
{
    const fs::path target(path);
    std::string tmp;
    std::FILE* f = StartTemporary(target, tmp, error);
    if (!f)
        return false;
    std::fclose(f); // the writer opens the file by its name
    std::string reason;
    bool ok = write(tmp, reason);
    if (ok) {
        const int err = SyncFile(tmp);
        ok = err == 0;
        if (!ok)
            reason = "writing failed (" + SystemReason(err) + ")";
    }
    if (!ok) {
        error = reason;
        std::error_code ignored;
        fs::remove(tmp, ignored);
        return false;
    }
    return Finish(target, tmp, error, beforeRename);
}

} // namespace tarsen
