// Loading the drawing module of tarsen-batch and handing it a picture to write.
#include "batchpicture.h"

#include "simulation/mainlogic.h"

#include <dlfcn.h>
#include <filesystem>
#include <system_error>

namespace tarsen::batch {

namespace {

/// The module's entry point, or why there is none.
struct PictureModule {
    TarsenBatchWritePictureFn write = nullptr;
    std::string path;  // the file loaded or looked for
    std::string error; // why it could not be used
};

/// dlerror()'s reason without the file name it usually starts with.
std::string LoaderReason(const std::string& path)
{
    const char* text = dlerror();
    std::string reason = text != nullptr ? text : "unknown reason";
    if (reason.rfind(path + ": ", 0) == 0)
        reason.erase(0, path.size() + 2);
    return reason;
}

PictureModule LoadPictureModule()
{
    namespace fs = std::filesystem;
    PictureModule module;
    std::error_code ec;
    const fs::path exe = fs::read_symlink("/proc/self/exe", ec);
    if (ec) {
        module.path = kPictureModuleFile;
        module.error = "the tool's own folder, where it is looked for, could not be read (" +
                       ec.message() + ")";
        return module;
    }
    // In the build tree the module lies beside the tool, once installed in its own folder.
    fs::path file = exe.parent_path() / kPictureModuleFile;
    if (!fs::exists(file, ec))
        file = (exe.parent_path() / TARSEN_PICTURE_MODULE_FROM_BIN / kPictureModuleFile)
                   .lexically_normal();
    module.path = file.string();
    void* handle = dlopen(module.path.c_str(), RTLD_NOW | RTLD_LOCAL);
    if (handle == nullptr) {
        module.error = "could not be loaded (" + LoaderReason(module.path) + ")";
        return module;
    }
    dlerror();
    void* entry = dlsym(handle, kPictureEntryPoint);
    if (entry == nullptr) {
        module.error = "has no entry point " + std::string(kPictureEntryPoint) + " (" +
                       LoaderReason(module.path) + ")";
        return module;
    }
    // The module stays loaded: the Qt application it makes lives until the program ends.
    module.write = reinterpret_cast<TarsenBatchWritePictureFn>(entry);
    return module;
}

} // namespace

bool WritePicture(MainLogic& logic, const std::string& fileName, int side, bool antialias,
                  std::string& error)
{
    static const PictureModule module = LoadPictureModule();
    const std::string failed = "The picture could not be saved to \"" + fileName + "\": ";
    const std::string remedy = ". Reinstall Tarsen, or run without --picture.";
    if (module.write == nullptr) {
        error = failed + "the drawing module \"" + module.path + "\" " + module.error + remedy;
        return false;
    }
    std::string message;
    TarsenBatchPicture request{};
    request.size = sizeof(TarsenBatchPicture);
    request.version = TARSEN_VERSION;
    request.logicSize = sizeof(MainLogic);
    request.logic = &logic;
    request.fileName = fileName.c_str();
    request.side = side;
    request.antialias = antialias ? 1 : 0;
    request.error = [](void* context, const char* text) {
        *static_cast<std::string*>(context) = text != nullptr ? text : "";
    };
    request.errorContext = &message;
    switch (module.write(&request)) {
    case 1:
        return true;
    case 0:
        error = message.empty() ? failed + "the drawing module gave no reason." : message;
        return false;
    default:
        error = failed + "the drawing module \"" + module.path +
                "\" belongs to another version of tarsen-batch" + remedy;
        return false;
    }
}

} // namespace tarsen::batch
