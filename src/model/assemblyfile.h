// The assembly file (extension tsn): the 31 parts, the thermocouples, the model and run settings,
// the boundary types, the materials file's name and the user's material colours, held as a
// property bag of named, typed values in a JSON document. Reading parses and checks the whole
// file before anything in memory changes; writing replaces the file whole through a temporary
// file beside it.
#pragma once

#include "common/frontend.h"

#include <array>
#include <cmath>
#include <cstdint>
#include <functional>
#include <optional>
#include <string>
#include <string_view>
#include <vector>

namespace tarsen {

class clsTarsen;
class clsMaterialProperties;

/// The main window's model and run settings that travel in the assembly file, one member per
/// settings key under the key's name, initialised to the value reading yields when the key is
/// missing. The window's logic owns one of these; it sets its own start-up values (rmax 0,
/// ElectricCurrent 0, ...) before the first read. DataFolder, MaterialFileFullName and
/// TSNFileName are file state of the window and are not stored in the file.
struct AssemblySettings {
    float rmax = 5.0f;              //!< model radius, mm; > 0
    std::int16_t nr = 64;           //!< radial grid size, 4 ... 512
    std::int16_t nz = 64;           //!< axial grid size = nr x AspectRatio rounded (never read)
    float zmax = 5.0f;              //!< model height = AspectRatio x rmax, mm (not a file key)
    std::int16_t niters = 10;       //!< single grid: conductivity updates per cycle
    std::int16_t ntits = 10;        //!< single grid: sweeps per conductivity update
    float w = 1.8f;                 //!< single grid: over-relaxation factor
    std::int16_t ncycles = 1;       //!< cycles per run
    std::int16_t ninner = 10;       //!< multigrid inner iterations (the window's NInner)
    float DesiredResidual = 0.008f; //!< target residual
    float GoToT = 1000.0f;          //!< target thermocouple temperature, deg C; > -273.15
    float TError = 1.0f;            //!< tolerance of the temperature search, deg C
    float ElectricCurrent = 100.0f; //!< furnace current, A
    float AspectRatio = 1.0f;       //!< zmax / rmax, 0.25 ... 4
    std::string MaterialFile = "thermal.prp"; //!< materials file name, relative to DataFolder
    bool BoundaryT = false;   //!< resistivities taken at tbc (the heat driver's switch)
    bool IncludePress = true; //!< add the press heat sink each cycle
    bool FluxMatch = true;    //!< passed to the solver
    /// Cells take the parts in proportion to the volume each covers; false takes the part at
    /// the cell's centre alone.
    bool ExactSampling = true;
    float tbc = 25.0f; //!< boundary temperature, deg C; > -273.15
    /// Boundary types ibcs(1) ... ibcs(4) at indices 1 ... 4 (index 0 unused, kept 0): the axis,
    /// r = rmax, z = zmax, z = 0; 0 zero flux, 1 held at tbc.
    std::array<std::int16_t, 5> ibcs{0, 0, 1, 1, 0};

    /// Folder of the open dialogs and of the materials file. Starts as the program's own folder
    /// (the caller sets it at start-up; empty means the working folder) and follows every
    /// assembly file that is read.
    std::string DataFolder;
    /// The materials file last read: DataFolder joined with MaterialFile.
    std::string MaterialFileFullName;
    /// The assembly path last chosen in the open dialog or last read; the save dialog opens in
    /// its folder.
    std::string TSNFileName;
};

/// Largest model radius a file or a typed value may set, mm: beyond it zmax and the cell sizes
/// stop being representable as Singles.
inline constexpr float kMaxModelRadius = 1.0e6f;

/// Absolute zero, deg C. A boundary or target temperature at or below it is refused.
inline constexpr float kAbsoluteZero = -273.15f;
/// Whether t, deg C, can be a boundary or target temperature: finite and above absolute zero.
inline bool IsPhysicalTemperature(float t) { return std::isfinite(t) && t > kAbsoluteZero; }

/// Part key name: "Tarsen.CellPart(" i suffix, without a closing parenthesis.
std::string PartKey(int i, std::string_view suffix);

/// Brings ibcs(1 ... 4) into a solvable form as a whole: every value becomes 0 or 1 (non-zero
/// means held at tbc), the axis is always zero flux, and when none of sides 2 ... 4 is held the
/// outer radius (side 2) is held. Returns whether anything changed.
bool NormaliseIbcs(std::array<std::int16_t, 5>& ibcs);

/// A boundary type that NormaliseIbcs replaced: the side ibcs(side), 1 ... 4, the value asked
/// for and the value used instead.
struct IbcsReplacement {
    int side = 0;
    std::int16_t asked = 0;
    std::int16_t used = 0;
};

/// The sides 1 ... 4 whose value in used differs from the one in asked, in side order.
std::vector<IbcsReplacement> IbcsReplacements(const std::array<std::int16_t, 5>& asked,
                                              const std::array<std::int16_t, 5>& used);

/// DataFolder joined with a stored materials file name by the platform's path rules; a stored
/// backslash is a folder separator. When that file does not exist but one in the same folder
/// matches its name ignoring case, that one is returned; failing that, the file of that name in
/// the data installed with the programs (InstalledDataFolder), when it is there.
std::string MaterialFileFullName(const std::string& DataFolder, const std::string& MaterialFile);

/// The path itself when it exists, else the one entry of its folder whose name matches ignoring
/// case, else nothing.
std::optional<std::string> FindExistingFile(const std::string& path);

/// What ReadTarsen did.
enum class ReadTarsenStatus {
    Read,     //!< the file was read and applied
    Defaults, //!< no such file (a cancelled dialog gives an empty path): defaults applied
    Refused,  //!< the file could not be used: message shown, nothing in memory changed
    Cancelled //!< OpenAssembly from the menu with a cancelled dialog: nothing changed
};

struct ReadTarsenResult {
    ReadTarsenStatus status = ReadTarsenStatus::Defaults;
    std::string error;                 //!< the refusal message, as shown
    std::vector<std::string> warnings; //!< messages about replaced values, as shown
    bool materialsFound = false;       //!< MaterialFileFullName exists
    bool materialsRead = false;        //!< ReadMaterials accepted it
    bool materialsEmptied = false;     //!< the parts need more materials: the table was emptied
    bool NoMaterials = false;          //!< the table has no materials afterwards
    /// The assembly, settings and materials were replaced (Read or Defaults).
    bool Applied() const
    {
        return status == ReadTarsenStatus::Read || status == ReadTarsenStatus::Defaults;
    }
};

/// The window's part of reading, and a materials file that replaces the one the assembly names.
struct ReadTarsenOptions {
    /// When not empty, this materials file is read instead of DataFolder / MaterialFile (the
    /// batch tool's --materials); MaterialFile keeps the stored name.
    std::string materialsOverride;
    /// Called after an applied read when the table has no materials: Runnable = False.
    std::function<void()> MarkNotRunnable;
    /// Called last after an applied read: refresh the per-material colours, clear
    /// TemperatureReady and Initialized, FormUpdate and redraw the assembly.
    std::function<void()> RefreshAfterRead;
};

/// Reads the assembly file at path into Tarsen (parts 0 ... 30, thermocouples, material
/// colours), settings and materials (the materials file it names, read from DataFolder). A path
/// that does not exist (empty after a cancelled dialog) yields the default assembly and leaves
/// DataFolder as it is. A file that cannot be used is refused with a message naming it, through
/// front, and nothing changes; only a regular file is read (a pipe or a device is refused rather
/// than waited on). Unusable rmax, nr, AspectRatio, ibcs values and temperatures (GoToT, tbc) at
/// or below absolute zero are replaced by their defaults with one warning. Messages of the
/// materials reader go to the table's front end.
ReadTarsenResult ReadTarsen(clsTarsen& Tarsen, clsMaterialProperties& materials,
                            AssemblySettings& settings, FrontEnd& front, const std::string& path,
                            const ReadTarsenOptions& options = {});

/// ReadTarsen of a document already read from the existing file at path: the same checks,
/// messages and effects, path naming the file and giving DataFolder.
ReadTarsenResult ReadTarsenDocument(clsTarsen& Tarsen, clsMaterialProperties& materials,
                                    AssemblySettings& settings, FrontEnd& front,
                                    std::string_view document, const std::string& path,
                                    const ReadTarsenOptions& options = {});

/// What WriteTarsen did.
enum class WriteTarsenStatus {
    Written,  //!< the file was replaced
    Failed,   //!< nothing was written (the previous file is intact); the message was shown
    Cancelled //!< SaveAssembly with a cancelled dialog
};

struct WriteTarsenResult {
    WriteTarsenStatus status = WriteTarsenStatus::Failed;
    std::string path;  //!< the file written or attempted
    std::string error; //!< the failure message, as shown
    bool Written() const { return status == WriteTarsenStatus::Written; }
};

/// Writes the assembly, its settings and the material colours that differ from the materials
/// file's to path: a temporary file beside it is written and flushed, then renamed over it, so
/// a failed save leaves the previous file as it was. A failure is shown through front.
WriteTarsenResult WriteTarsen(const clsTarsen& Tarsen, const clsMaterialProperties& materials,
                              const AssemblySettings& settings, FrontEnd& front,
                              const std::string& path);

/// The document WriteTarsen writes. Fails (returns false with error set) only when a Single to
/// be stored is not finite.
bool AssemblyDocument(const clsTarsen& Tarsen, const clsMaterialProperties& materials,
                      const AssemblySettings& settings, std::string& document, std::string& error);

/// Message shown when a file is refused: Cannot read the assembly file "<path>": <reason>.
std::string MsgAssemblyRefused(std::string_view path, std::string_view reason);
/// Warning when unusable settings were replaced: The assembly file "<path>" holds unusable
/// values for <keys>; their defaults are used instead.
std::string MsgValuesReplaced(std::string_view path, std::string_view keys);
/// Why a boundary type was replaced, one sentence: "Boundary type ibcs(<side>) = <asked> is
/// replaced by <used>: <reason>."
std::string MsgIbcsReplaced(const IbcsReplacement& r);
/// Warning when boundary types of a file were replaced: The assembly file "<path>" holds
/// unusable boundary types. followed by MsgIbcsReplaced of each.
std::string MsgIbcsValuesReplaced(std::string_view path,
                                  const std::vector<IbcsReplacement>& replaced);
/// Message shown when a save failed: Cannot save the assembly to "<path>": <reason>.
std::string MsgAssemblyNotSaved(std::string_view path, std::string_view reason);

/// Dialog texts of the assembly file.
inline constexpr std::string_view kOpenTSNTitle = "Open a Tarsen (TSN) File";
inline constexpr std::string_view kSaveTSNTitle = "Save Tarsen";

/// The open dialog in DataFolder; keeps the chosen path in TSNFileName and returns it. A cancel
/// returns nothing and leaves TSNFileName as it was.
std::optional<std::string> ChooseTSNFile(FrontEnd& front, AssemblySettings& settings);

/// Where the file dialog is asked from.
enum class OpenContext {
    StartUp, //!< a cancelled dialog reads the defaults (the program starts with them)
    Menu     //!< a cancelled dialog changes nothing
};

/// ChooseTSNFile, then ReadTarsen of the chosen path (mnuOpen_Click and start-up).
ReadTarsenResult OpenAssembly(OpenContext context, clsTarsen& Tarsen,
                              clsMaterialProperties& materials, AssemblySettings& settings,
                              FrontEnd& front, const ReadTarsenOptions& options = {});

/// The save dialog, in the folder of the path last chosen in the open dialog, then WriteTarsen
/// of the confirmed path.
WriteTarsenResult SaveAssembly(const clsTarsen& Tarsen, const clsMaterialProperties& materials,
                               const AssemblySettings& settings, FrontEnd& front);

} // namespace tarsen
