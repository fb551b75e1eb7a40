#include "simulation/sheet.h"

#include "common/textnum.h"

#include <algorithm>
#include <cmath>

namespace tarsen {

std::optional<int> ColumnIndex(std::string_view letters)
{
    if (letters.empty() || letters.size() > 3)
        return std::nullopt;
    // Bijective base 26: A = 1 ... Z = 26, AA = 27.
    int n = 0;
    for (char ch : letters) {
        int d = 0;
        if (ch >= 'A' && ch <= 'Z')
            d = ch - 'A' + 1;
        else if (ch >= 'a' && ch <= 'z')
            d = ch - 'a' + 1;
        else
            return std::nullopt;
        n = n * 26 + d;
    }
    if (n > kSheetColumns)
        return std::nullopt;
    return n - 1;
}

std::string ColumnName(int index)
{
    if (index < 0 || index >= kSheetColumns)
        return {};
    std::string name;
    int n = index + 1;
    while (n > 0) {
        const int d = (n - 1) % 26;
        name.insert(name.begin(), static_cast<char>('A' + d));
        n = (n - 1) / 26;
    }
    return name;
}

std::optional<std::string> AdvanceColumn(std::string_view letters, int by)
{
    const auto index = ColumnIndex(letters);
    if (!index)
        return std::nullopt;
    const long long next = static_cast<long long>(*index) + by;
    if (next < 0 || next >= kSheetColumns)
        return std::nullopt;
    return ColumnName(static_cast<int>(next));
}

std::optional<CellAddress> ParseAddress(std::string_view address)
{
    std::size_t k = 0;
    while (k < address.size() &&
           ((address[k] >= 'A' && address[k] <= 'Z') || (address[k] >= 'a' && address[k] <= 'z')))
        ++k;
    const auto column = ColumnIndex(address.substr(0, k));
    if (!column)
        return std::nullopt;
    const std::string_view digits = address.substr(k);
    if (digits.empty() || digits.size() > 7 || digits.front() == '0')
        return std::nullopt;
    int row = 0;
    for (char ch : digits) {
        if (ch < '0' || ch > '9')
            return std::nullopt;
        row = row * 10 + (ch - '0');
    }
    if (row > kSheetRows)
        return std::nullopt;
    return CellAddress{*column, row};
}

std::string AddressText(CellAddress address)
{
    return ColumnName(address.column) + std::to_string(address.row);
}

bool Sheet::Inside(CellAddress at)
{
    return at.column >= 0 && at.column < kSheetColumns && at.row >= 1 && at.row <= kSheetRows;
}

bool Sheet::SetText(CellAddress at, std::string text)
{
    if (!Inside(at))
        return false;
    m_cells[{at.row, at.column}] = std::move(text);
    return true;
}

bool Sheet::SetNumber(CellAddress at, double value)
{
    if (!Inside(at) || !std::isfinite(value))
        return false;
    m_cells[{at.row, at.column}] = value;
    return true;
}

bool Sheet::SetText(std::string_view address, std::string text)
{
    const auto at = ParseAddress(address);
    return at && SetText(*at, std::move(text));
}

bool Sheet::SetNumber(std::string_view address, double value)
{
    const auto at = ParseAddress(address);
    return at && SetNumber(*at, value);
}

const CellValue* Sheet::Cell(CellAddress at) const
{
    const auto it = m_cells.find({at.row, at.column});
    return it == m_cells.end() ? nullptr : &it->second;
}

const CellValue* Sheet::Cell(std::string_view address) const
{
    const auto at = ParseAddress(address);
    return at ? Cell(*at) : nullptr;
}

int Sheet::LastRow() const { return m_cells.empty() ? 0 : m_cells.rbegin()->first.first; }

int Sheet::LastColumn() const
{
    int last = -1;
    for (const auto& [key, value] : m_cells)
        last = std::max(last, key.second);
    return last;
}

double SheetNumber(float value)
{
    if (!std::isfinite(value))
        return 0.0;
    return ParseNumber(ShortestSingle(value)).value_or(double(value));
}

} // namespace tarsen
