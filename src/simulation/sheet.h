// An in-memory spreadsheet: cells addressed as "B12" holding text or a number, with the column
// letters A ... Z, AA ... AZ, BA ... up to the last column a workbook can hold (XFD).
#pragma once

#include <cstdint>
#include <map>
#include <optional>
#include <string>
#include <string_view>
#include <utility>
#include <variant>

namespace tarsen {

/// Columns and rows a workbook can hold (A ... XFD, 1 ... 1048576).
inline constexpr int kSheetColumns = 16384;
inline constexpr int kSheetRows = 1048576;

/// Column index (0 = "A", 25 = "Z", 26 = "AA") of column letters, either case; nothing for empty
/// text, anything but letters, or a column beyond XFD.
std::optional<int> ColumnIndex(std::string_view letters);
/// Upper-case letters of column index 0 ... kSheetColumns - 1 (empty text for other indices).
std::string ColumnName(int index);
/// The column `by` places on from `letters` ("Y" + 2 = "AA"); nothing when letters are refused
/// or the result lies outside A ... XFD.
std::optional<std::string> AdvanceColumn(std::string_view letters, int by);

/// A cell position: column index from 0, row number from 1.
struct CellAddress {
    int column = 0;
    int row = 1;
    auto operator<=>(const CellAddress&) const = default;
};

/// "B12" (either case) as a position; nothing when it is not column letters then a row number
/// inside the sheet.
std::optional<CellAddress> ParseAddress(std::string_view address);
/// The address text of a position ("B12").
std::string AddressText(CellAddress address);

/// A cell holds text or a number.
using CellValue = std::variant<std::string, double>;

class Sheet {
public:
    /// Sets a cell; positions outside the sheet are refused (returns false, nothing changes).
    bool SetText(CellAddress at, std::string text);
    bool SetNumber(CellAddress at, double value);
    /// The same by address text ("A1").
    bool SetText(std::string_view address, std::string text);
    bool SetNumber(std::string_view address, double value);

    /// The cell's value, or nullptr for an empty cell.
    const CellValue* Cell(CellAddress at) const;
    const CellValue* Cell(std::string_view address) const;

    /// Every filled cell, row by row, columns left to right within a row.
    const std::map<std::pair<int, int>, CellValue>& Cells() const { return m_cells; }
    bool Empty() const { return m_cells.empty(); }
    /// Highest filled row (0 when empty) and highest filled column index (-1 when empty).
    int LastRow() const;
    int LastColumn() const;
    void Clear() { m_cells.clear(); }

private:
    static bool Inside(CellAddress at);
    std::map<std::pair<int, int>, CellValue> m_cells; // key (row, column)
};

/// The number a sheet should hold for a Single: the double nearest to its shortest decimal text,
/// so that 25.3f shows as 25.3 and not 25.299999237.
double SheetNumber(float value);

} // namespace tarsen
