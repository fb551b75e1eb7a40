// The picture a run of tarsen-batch writes with --picture. The drawing needs Qt, whose libraries
// take most of a short run's time just to load, so it lives in a module of its own that the tool
// loads only when a picture is asked for: the tool itself links no Qt library.
//
// The tool and the module are built from the same sources in the same build and each holds its
// own copy of the layers below the drawing; the module only reads the run's logic the tool hands
// over and writes the file. The module is looked for next to the tool (the build tree), then in
// the folder the install puts it in, found from the tool's own place.
#pragma once

#include <cstddef>
#include <string>

namespace tarsen {
class MainLogic;
}

extern "C" {

/// One picture to write. The pointers stay valid during the call; text is UTF-8.
struct TarsenBatchPicture {
    std::size_t size;      // sizeof(TarsenBatchPicture) in the tool
    const char* version;   // the tool's version
    std::size_t logicSize; // sizeof(tarsen::MainLogic) in the tool
    tarsen::MainLogic* logic;
    const char* fileName; // PNG when it ends in ".png" (any case), otherwise a Windows bitmap
    int side;             // pixels, kMinPictureSide ... kMaxPictureSide
    int antialias;        // non-zero: smooth contours and borders
    /// Receives the message when the picture is not written.
    void (*error)(void* context, const char* message);
    void* errorContext;
};

/// The module's entry point: writes the picture the window's replot shows after the run and
/// returns 1, or passes a message naming the file and the reason to error and returns 0. A
/// request from a tool of another version or layout is refused the same way.
int tarsen_batch_write_picture(const TarsenBatchPicture* request);
using TarsenBatchWritePictureFn = int (*)(const TarsenBatchPicture*);
}

namespace tarsen::batch {

/// The module's file name and the name of its entry point.
inline constexpr const char* kPictureModuleFile = "tarsen-batch-picture.so";
inline constexpr const char* kPictureEntryPoint = "tarsen_batch_write_picture";

/// The sides of the picture accepted, pixels.
inline constexpr int kMinPictureSide = 64;
inline constexpr int kMaxPictureSide = 8000;

/// Writes the picture of logic's assembly and field after its run through the module, loaded on
/// the first call. Returns false with the message for the user in error when the module cannot
/// be loaded or the picture cannot be written.
bool WritePicture(MainLogic& logic, const std::string& fileName, int side, bool antialias,
                  std::string& error);

} // namespace tarsen::batch
