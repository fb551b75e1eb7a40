// The drawing module of tarsen-batch: draws the picture of a finished run on an off-screen
// surface and writes it. Only the entry point is visible outside the module; its copies of the
// layers below the drawing are its own, and it reads nothing of the tool but the run's logic.
#include "batchpicture.h"
#include "graphics/picturestate.h"
#include "simulation/mainlogic.h"

#include <QString>

#include <cstring>
#include <exception>
#include <string>
#include <type_traits>

static_assert(tarsen::batch::kMinPictureSide == tarsen::kMinPictureSide &&
                  tarsen::batch::kMaxPictureSide == tarsen::kMaxPictureSide,
              "the tool accepts the sides the drawing accepts");
static_assert(std::is_same_v<decltype(&tarsen_batch_write_picture), TarsenBatchWritePictureFn>);

namespace {

/// The request comes from a tool built with this module: the same version and layouts.
bool SameBuild(const TarsenBatchPicture* request)
{
    return request != nullptr && request->size == sizeof(TarsenBatchPicture) &&
           request->version != nullptr && std::strcmp(request->version, TARSEN_VERSION) == 0 &&
           request->logicSize == sizeof(tarsen::MainLogic) && request->logic != nullptr &&
           request->fileName != nullptr && request->error != nullptr;
}

} // namespace

extern "C" __attribute__((visibility("default"))) int
tarsen_batch_write_picture(const TarsenBatchPicture* request)
{
    if (!SameBuild(request))
        return -1;
    std::string message;
    try {
        const QString fileName = QString::fromUtf8(request->fileName);
        tarsen::PictureModel picture = tarsen::PictureModelOf(*request->logic);
        picture.WriteReport = nullptr; // the drawing's progress lines stay out of the result
        QString error;
        if (tarsen::WriteAssemblyPicture(picture, fileName, request->side, request->antialias != 0,
                                         error))
            return 1;
        message = error.toStdString();
    } catch (const std::exception& e) {
        message = "The picture could not be saved to \"" + std::string(request->fileName) +
                  "\": " + e.what();
    } catch (...) {
        message = "The picture could not be saved to \"" + std::string(request->fileName) +
                  "\": the drawing failed.";
    }
    request->error(request->errorContext, message.c_str());
    return 0;
}
