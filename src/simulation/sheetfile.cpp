#include "simulation/sheetfile.h"

#include "common/textnum.h"
#include "model/replacefile.h"

#include <xlsxwriter.h>

namespace tarsen {

namespace {

bool Fail(std::string& errorText, const std::string& path, const std::string& reason)
{
    errorText = "Could not write \"" + path + "\": " + reason;
    return false;
}

std::string CsvField(const CellValue& value)
{
    if (const double* v = std::get_if<double>(&value))
        return ShortestDouble(*v);
    const std::string& text = std::get<std::string>(value);
    const bool quote = text.find_first_of(",\"\r\n") != std::string::npos ||
                       (!text.empty() && (text.front() == ' ' || text.back() == ' '));
    if (!quote)
        return text;
    std::string out = "\"";
    for (char ch : text) {
        if (ch == '"')
            out += '"';
        out += ch;
    }
    out += '"';
    return out;
}

} // namespace

bool WriteSheetXlsx(const Sheet& sheet, const std::string& path, std::string& errorText)
{
    auto write = [&sheet](const std::string& temp, std::string& reason) {
        lxw_workbook* workbook = workbook_new(temp.c_str());
        if (!workbook) {
            reason = "the workbook could not be created";
            return false;
        }
        lxw_worksheet* worksheet = workbook_add_worksheet(workbook, nullptr);
        lxw_error cellError = LXW_NO_ERROR;
        if (!worksheet)
            cellError = LXW_ERROR_MEMORY_MALLOC_FAILED;
        for (const auto& [key, value] : sheet.Cells()) {
            if (cellError != LXW_NO_ERROR)
                break;
            const auto row = static_cast<lxw_row_t>(key.first - 1);
            const auto col = static_cast<lxw_col_t>(key.second);
            if (const double* v = std::get_if<double>(&value))
                cellError = worksheet_write_number(worksheet, row, col, *v, nullptr);
            else
                cellError = worksheet_write_string(worksheet, row, col,
                                                   std::get<std::string>(value).c_str(), nullptr);
        }
        // The workbook is closed (and freed) in every case; only then is the file on disk.
        const lxw_error closeError = workbook_close(workbook);
        if (cellError != LXW_NO_ERROR || closeError != LXW_NO_ERROR) {
            reason = lxw_strerror(cellError != LXW_NO_ERROR ? cellError : closeError);
            return false;
        }
        return true;
    };
    std::string reason;
    return ReplaceFileBy(path, write, reason) || Fail(errorText, path, reason);
}

std::string SheetCsvText(const Sheet& sheet)
{
    std::string text;
    const int lastColumn = sheet.LastColumn();
    for (int row = 1; row <= sheet.LastRow(); ++row) {
        for (int col = 0; col <= lastColumn; ++col) {
            if (col > 0)
                text += ',';
            if (const CellValue* v = sheet.Cell(CellAddress{col, row}))
                text += CsvField(*v);
        }
        text += '\n';
    }
    return text;
}

bool WriteSheetCsv(const Sheet& sheet, const std::string& path, std::string& errorText)
{
    std::string reason;
    return ReplaceFile(path, SheetCsvText(sheet), reason) || Fail(errorText, path, reason);
}

} // namespace tarsen
