#include "model/replacefile.h"

#include <cerrno>
#include <cstdio>
#include <cstring>
#include <filesystem>
#include <random>
#include <system_error>
#include <unistd.h>

namespace tarsen {

namespace {

std::string SystemReason(int err) { return std::strerror(err); }

/// Creates a new file beside target that no other file is using, open for writing.
std::FILE* CreateTemporary(const std::filesystem::path& target, std::string& name, int& err)
{
    std::random_device seed;
    std::mt19937 gen(seed());
    for (int attempt = 0; attempt < 16; ++attempt) {
        char suffix[16];
        std::snprintf(suffix, sizeof suffix, ".%08x", static_cast<unsigned>(gen()));
        std::filesystem::path tmp = target;
        tmp += std::string(".tmp") + suffix;
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

} // namespace

bool ReplaceFile(const std::string& path, std::string_view bytes, std::string& error,
                 const std::function<bool(const std::string& temporary)>& beforeRename)
{
    const std::filesystem::path target(path);
    std::string tmp;
    int err = 0;
    std::FILE* f = CreateTemporary(target, tmp, err);
    if (!f) {
        error = "cannot create a file in its folder (" + SystemReason(err) + ")";
        return false;
    }
    bool ok = std::fwrite(bytes.data(), 1, bytes.size(), f) == bytes.size();
    ok = ok && std::fflush(f) == 0;
    ok = ok && ::fsync(::fileno(f)) == 0;
    err = errno;
    if (std::fclose(f) != 0 && ok) {
        ok = false;
        err = errno;
    }
    std::error_code ec;
    if (!ok) {
        error = "writing failed (" + SystemReason(err) + ")";
        std::filesystem::remove(tmp, ec);
        return false;
    }
    if (beforeRename && !beforeRename(tmp)) {
        error = "the save was interrupted";
        return false;
    }
    std::filesystem::rename(tmp, target, ec);
    if (ec) {
        error = "cannot replace the file (" + ec.message() + ")";
        std::error_code ignored;
        std::filesystem::remove(tmp, ignored);
        return false;
    }
    return true;
}

} // namespace tarsen
