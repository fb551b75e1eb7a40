// Writing an in-memory sheet to disk: as an .xlsx workbook of one worksheet, or as comma-separated
// text. Both write a temporary file beside the target, flush it to the disk and rename it over
// the target, so a failed or killed write never leaves a half-written file under the target's
// name.
#pragma once

#include "simulation/sheet.h"

#include <string>

namespace tarsen {

/// Writes the sheet as an .xlsx workbook with one worksheet "Sheet1": text cells as strings,
/// number cells as numbers. Returns false and sets errorText (naming the file and the reason)
/// when the file could not be written; the target is then left as it was.
bool WriteSheetXlsx(const Sheet& sheet, const std::string& path, std::string& errorText);

/// Writes the sheet as comma-separated text, rows 1 ... LastRow, columns A ... LastColumn, empty
/// cells empty, numbers in their shortest decimal form with a point, text quoted when it holds a
/// comma, quote, line break or surrounding blanks. Errors as WriteSheetXlsx.
bool WriteSheetCsv(const Sheet& sheet, const std::string& path, std::string& errorText);

/// The CSV text WriteSheetCsv writes.
std::string SheetCsvText(const Sheet& sheet);

} // namespace tarsen
