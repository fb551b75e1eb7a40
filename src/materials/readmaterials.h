// The materials properties file: a text file of MATERIAL blocks, read in two passes (the first
// counts the materials, the second fills them). clsMaterialProperties::ReadMaterials is the entry
// the program uses; the functions here let the batch tool and the fuzz target see every warning
// of a read and read text that is already in memory.
#pragma once

#include "materials/clsmaterialproperties.h"

#include <cstddef>
#include <string>
#include <string_view>
#include <vector>

namespace tarsen {

// Texts of the warnings raised while a file is read. The first three are shown as they stand;
// the others follow the file name and the line number (see MaterialsLineMessage).
inline constexpr std::string_view kMsgUnknownParameter = "Unknown parameter ";
inline constexpr std::string_view kMsgDuplicateMaterial = "Duplicate material number ";
inline constexpr std::string_view kMsgDuplicateMaterialEnd =
    " was found in the materials file.  Only the first one will be used.";
inline constexpr std::string_view kMsgOnly30Materials =
    "Only 30 materials are allowed; check material with index greater than 30 in *.prp file.";
inline constexpr std::string_view kMsgBeforeFirstHeader =
    "lines before the first MATERIAL header are ignored";
inline constexpr std::string_view kMsgHeaderNotANumber =
    "the material number is not a number; the lines of this material are ignored";
inline constexpr std::string_view kMsgHeaderNegative =
    "material numbers cannot be negative; the lines of this material are ignored";
inline constexpr std::string_view kMsgHeaderShort =
    "a MATERIAL line needs a number, a separator and a name; the material is named ";
inline constexpr std::string_view kMsgParameterShort =
    "a parameter line needs a key, a separator and a value; the line is ignored";
inline constexpr std::string_view kMsgReferenceShort =
    "a REF line needs at least six characters; the line is ignored";
inline constexpr std::string_view kMsgColourNotHex =
    "a COLOR line needs six hexadecimal digits RRGGBB; the line is ignored";
inline constexpr std::string_view kMsgValueNotANumber =
    "the value is not a number; the line is ignored";
inline constexpr std::string_view kMsgValueTooLarge =
    "the value is too large for a single-precision number; the line is ignored";
inline constexpr std::string_view kMsgColorOutOfRange =
    "a Color value must be a whole number from 0 to 16777215 (&HFFFFFF); the line is ignored";

// Reasons for refusing a whole file, after "The materials file "<name>" ".
inline constexpr std::string_view kMsgFileNotFound = "was not found.";
inline constexpr std::string_view kMsgFileIsFolder = "cannot be read: it is a folder.";
inline constexpr std::string_view kMsgFileNotRegular = "cannot be read: it is not a regular file.";
inline constexpr std::string_view kMsgFileTooLarge =
    "cannot be read: it is larger than 4 MB, far too large for a materials file.";
inline constexpr std::string_view kMsgFileNotText =
    "cannot be read: it is not a text file (it contains zero bytes).";
inline constexpr std::string_view kMsgFileUtf16 =
    "cannot be read: it is UTF-16 text. Save it as UTF-8 or ANSI text.";

/// Largest materials file read, in bytes.
inline constexpr std::size_t kMaxMaterialsFileBytes = 4u << 20;
/// Warnings shown in the one box of a read; the rest are counted in an "and n more" line.
inline constexpr std::size_t kShownWarnings = 20;
/// Warnings kept by one read (a hostile file could raise one per line); the rest are counted.
inline constexpr std::size_t kKeptWarnings = 1000;
/// Longest part of a file line quoted in a warning, in bytes.
inline constexpr std::size_t kQuotedLineBytes = 100;

/// How one read ended and what it had to say.
struct MaterialsReadLog {
    enum class Status {
        Read,    //!< the table holds the file's materials
        Missing, //!< there is no such file: the table is empty
        Refused  //!< the file could not be used: the table is empty, error says why
    };
    Status status = Status::Read;
    /// The refusal message, already shown through the table's front end in a box of its own.
    std::string error;
    /// The warnings of the read in file order, at most kKeptWarnings of them.
    std::vector<std::string> warnings;
    /// Number of warnings raised, including those not kept.
    std::size_t warningCount = 0;
};

/// "<name>, line <n>: <problem>: <line>" with the line shortened to kQuotedLineBytes.
std::string MaterialsLineMessage(std::string_view fileName, std::size_t lineNumber,
                                 std::string_view problem, std::string_view line);

/// Reads the file at path into table (see clsMaterialProperties::ReadMaterials) and returns its
/// warnings instead of showing them. Refusals and the table's own messages (too many materials)
/// still go to the table's front end, one box each.
MaterialsReadLog ReadMaterialsFile(clsMaterialProperties& table, const std::string& path);

/// Reads the bytes of a materials file that are already in memory; fileName is the name the
/// warnings give. A refusal of the content (not text, too many materials) empties the table.
MaterialsReadLog ReadMaterialsText(clsMaterialProperties& table, std::string_view bytes,
                                   std::string_view fileName);

/// The warnings of a read as the one box shows them: the first kShownWarnings, then
/// "and n more" for the rest.
std::vector<std::string> WarningsForDisplay(const MaterialsReadLog& log);

} // namespace tarsen
