#include "materials/readmaterials.h"

#include "common/colour.h"
#include "common/numeric.h"
#include "common/textnum.h"
#include "materials/textdecode.h"

#include <algorithm>
#include <array>
#include <cerrno>
#include <cmath>
#include <filesystem>
#include <fstream>
#include <limits>
#include <optional>
#include <system_error>

namespace tarsen {

namespace {

/// The lines of a text in order. A line ends at CR LF, at a lone CR or at a lone LF; a last line
/// without an end is a line too.
class LineCursor {
public:
    explicit LineCursor(std::string_view text) : m_text(text) {}

    /// The next line without its end, or false at the end of the text.
    bool Next(std::string_view& line)
    {
        if (m_pos >= m_text.size())
            return false;
        const std::size_t end = m_text.find_first_of("\r\n", m_pos);
        if (end == std::string_view::npos) {
            line = m_text.substr(m_pos);
            m_pos = m_text.size();
        } else {
            line = m_text.substr(m_pos, end - m_pos);
            m_pos = end + 1;
            if (m_text[end] == '\r' && m_pos < m_text.size() && m_text[m_pos] == '\n')
                ++m_pos;
        }
        ++m_number;
        return true;
    }
    /// Number of the line Next returned last, from 1.
    std::size_t Number() const { return m_number; }

private:
    std::string_view m_text;
    std::size_t m_pos = 0;
    std::size_t m_number = 0;
};

/// The first words of a line after runs of spaces are reduced to one and the ends trimmed; only
/// spaces separate words (a tab is an ordinary character). Four words are all any line kind
/// reads, so the count stops at four.
struct Words {
    std::array<std::string_view, 4> w;
    std::size_t count = 0;
};

Words SplitWords(std::string_view line)
{
    Words words;
    std::size_t pos = 0;
    while (words.count < words.w.size()) {
        pos = line.find_first_not_of(' ', pos);
        if (pos == std::string_view::npos)
            break;
        std::size_t end = line.find(' ', pos);
        if (end == std::string_view::npos)
            end = line.size();
        words.w[words.count++] = line.substr(pos, end - pos);
        pos = end;
    }
    return words;
}

enum class LineKind { Empty, Comment, Header, Reference, Colour, Parameter };

/// The kind of a raw line: the tests look at its first characters, before any reduction, so an
/// indented header or comment is a parameter line.
LineKind KindOf(std::string_view raw)
{
    if (raw.empty())
        return LineKind::Empty;
    if (raw.front() == '\'')
        return LineKind::Comment;
    if (raw.starts_with("MATERIAL"))
        return LineKind::Header;
    if (raw.starts_with("REF"))
        return LineKind::Reference;
    if (raw.starts_with("COLOR"))
        return LineKind::Colour;
    return LineKind::Parameter;
}

/// The material number of a header, rounded halves to even; nothing when word 1 is missing or
/// is not a number.
std::optional<double> HeaderNumber(const Words& words)
{
    if (words.count < 2)
        return std::nullopt;
    const auto v = ParseNumber(words.w[1]);
    if (!v)
        return std::nullopt;
    return round_half_even(*v);
}

/// The data flag a non-zero value of a key sets.
enum class Flag { None, Thermal, Electrical };

/// A numeric parameter key: where its Single goes (a member of the entry, or the conductivity
/// coefficient cond[index] when member is null) and the flag it sets.
struct KeyInfo {
    std::string_view key;
    float MaterialEntry::*member;
    int cond;
    Flag flag;
};

// Keys are matched exactly, case included. "Color" is read apart (a Long, not a Single).
constexpr std::array<KeyInfo, 20> kKeys = {{
    {"C0", nullptr, 0, Flag::Thermal},
    {"C1", nullptr, 1, Flag::Thermal},
    {"C2", nullptr, 2, Flag::Thermal},
    {"C3", nullptr, 3, Flag::Thermal},
    {"C4", nullptr, 4, Flag::Thermal},
    {"C5", nullptr, 5, Flag::Thermal},
    {"CMinus1", nullptr, 6, Flag::Thermal},
    {"R0", &MaterialEntry::R0, 0, Flag::Electrical},
    {"R1", &MaterialEntry::r1, 0, Flag::Electrical},
    {"R2", &MaterialEntry::r2, 0, Flag::Electrical},
    {"R3", &MaterialEntry::r3, 0, Flag::Electrical},
    {"R4", &MaterialEntry::r4, 0, Flag::Electrical},
    {"R_Preexp", &MaterialEntry::R_Preexp, 0, Flag::Electrical},
    {"R_Exp", &MaterialEntry::R_Exp, 0, Flag::Electrical},
    {"TMin", &MaterialEntry::tmin, 0, Flag::None},
    {"TMax", &MaterialEntry::tmax, 0, Flag::None},
    {"TCoeff1", &MaterialEntry::r1, 0, Flag::None},     // the same coefficient as R1
    {"Resistivity", &MaterialEntry::R0, 0, Flag::None}, // the same coefficient as R0
    {"Density", &MaterialEntry::density, 0, Flag::None},
    {"Porosity", &MaterialEntry::porosity, 0, Flag::None},
}};
constexpr std::string_view kColorKey = "Color";

const KeyInfo* KeyOf(std::string_view key)
{
    for (const auto& k : kKeys)
        if (k.key == key)
            return &k;
    return nullptr;
}

int HexDigit(char c)
{
    if (c >= '0' && c <= '9')
        return c - '0';
    if (c >= 'A' && c <= 'F')
        return c - 'A' + 10;
    if (c >= 'a' && c <= 'f')
        return c - 'a' + 10;
    return -1;
}

/// A "COLOR" value RRGGBB as a colour Long; nothing unless it is exactly six hex digits.
std::optional<std::int32_t> HexColour(std::string_view word)
{
    if (word.size() != 6)
        return std::nullopt;
    std::array<int, 6> d{};
    for (std::size_t i = 0; i < 6; ++i) {
        d[i] = HexDigit(word[i]);
        if (d[i] < 0)
            return std::nullopt;
    }
    return RGB(d[0] * 16 + d[1], d[2] * 16 + d[3], d[4] * 16 + d[5]);
}

/// Outcome of reading a "Color" value.
enum class ColorValue { Ok, NotANumber, OutOfRange };

/// A "Color" value: a whole number, or "&H" and up to eight hexadecimal digits read unsigned;
/// either must lie in 0 ... &HFFFFFF to be a colour.
ColorValue ParseColorLong(std::string_view word, std::int32_t& colour)
{
    double v = 0.0;
    if (word.size() >= 2 && word[0] == '&' && (word[1] == 'H' || word[1] == 'h')) {
        const std::string_view digits = word.substr(2);
        if (digits.empty() || digits.size() > 8)
            return digits.empty() ? ColorValue::NotANumber : ColorValue::OutOfRange;
        std::uint32_t u = 0;
        for (const char c : digits) {
            const int d = HexDigit(c);
            if (d < 0)
                return ColorValue::NotANumber;
            u = u * 16u + static_cast<std::uint32_t>(d);
        }
        v = u;
    } else {
        const auto parsed = ParseNumber(word);
        if (!parsed)
            return ColorValue::NotANumber;
        v = round_half_even(*parsed); // a Long conversion
    }
    if (!(v >= 0.0 && v <= double(0xFFFFFF)))
        return ColorValue::OutOfRange;
    colour = static_cast<std::int32_t>(v);
    return ColorValue::Ok;
}

/// The text of a line after its first n characters (UTF-8 code points); nothing when the line
/// has fewer than n.
std::optional<std::string_view> AfterCharacters(std::string_view line, std::size_t n)
{
    std::size_t pos = 0;
    for (std::size_t k = 0; k < n; ++k) {
        if (pos >= line.size())
            return std::nullopt;
        ++pos;
        while (pos < line.size() && (static_cast<unsigned char>(line[pos]) & 0xC0) == 0x80)
            ++pos;
    }
    return line.substr(pos);
}

/// Collects the warnings of one read, keeping at most kKeptWarnings.
class WarningList {
public:
    WarningList(MaterialsReadLog& log, std::string_view fileName) : m_log(log), m_fileName(fileName)
    {}
    void Add(std::string text)
    {
        ++m_log.warningCount;
        if (m_log.warnings.size() < kKeptWarnings)
            m_log.warnings.push_back(std::move(text));
    }
    void AddAtLine(const LineCursor& cursor, std::string_view problem, std::string_view line)
    {
        if (m_log.warnings.size() < kKeptWarnings)
            Add(MaterialsLineMessage(m_fileName, cursor.Number(), problem, line));
        else
            ++m_log.warningCount;
    }

private:
    MaterialsReadLog& m_log;
    std::string_view m_fileName;
};

/// The largest material number of the file's headers (0 when there is none); headers are
/// recognised after reduction here, so an indented header counts too. Nothing when a number
/// is too large for any table.
std::optional<int> LargestMaterialNumber(std::string_view text)
{
    double largest = 0.0;
    LineCursor lines(text);
    std::string_view line;
    while (lines.Next(line)) {
        if (line.empty())
            continue;
        const Words words = SplitWords(line);
        if (words.count == 0 || !words.w[0].starts_with("MATERIAL"))
            continue;
        if (const auto m = HeaderNumber(words); m && *m > largest)
            largest = *m;
    }
    if (largest > double(kMaxMaterials)) // refused anyway; keeps the count in range
        return std::nullopt;
    return static_cast<int>(largest);
}

/// Stores the value of a numeric key in the entry, or returns the problem with it. A flag once
/// set stays set.
std::optional<std::string_view> StoreParameter(MaterialEntry& e, const KeyInfo& key,
                                               std::string_view word)
{
    const auto v = ParseNumber(word);
    if (!v)
        return kMsgValueNotANumber;
    if (std::fabs(*v) > double(std::numeric_limits<float>::max()))
        return kMsgValueTooLarge;
    const float s = static_cast<float>(*v); // the Single the table stores
    if (key.member)
        e.*key.member = s;
    else
        e.cond[static_cast<std::size_t>(key.cond)] = s;
    if (s != 0.0f) {
        if (key.flag == Flag::Thermal)
            e.HasThermal = true;
        else if (key.flag == Flag::Electrical)
            e.HasElectrical = true;
    }
    return std::nullopt;
}

/// Stores a "Color" value, or returns the problem with it.
std::optional<std::string_view> StoreColor(MaterialEntry& e, std::string_view word)
{
    std::int32_t colour = 0;
    switch (ParseColorLong(word, colour)) {
    case ColorValue::Ok:
        e.Colors = colour;
        return std::nullopt;
    case ColorValue::NotANumber:
        return kMsgValueNotANumber;
    case ColorValue::OutOfRange:
        break;
    }
    return kMsgColorOutOfRange;
}

/// Where the second pass stands: before the first header, in the block of a material, or in a
/// block that is skipped (a duplicate or an unusable number).
enum class Block { BeforeFirst, Current, Skipped };

/// The second pass over the text: fills the materials of a table already dimensioned.
void FillMaterials(clsMaterialProperties& table, std::string_view text, WarningList& warnings)
{
    const int n_materials = table.NumberOfMaterials();
    Block block = Block::BeforeFirst;
    bool warnedBeforeFirst = false;
    int current = -1;
    LineCursor lines(text);
    std::string_view line;
    while (lines.Next(line)) {
        const LineKind kind = KindOf(line);
        if (kind == LineKind::Empty || kind == LineKind::Comment)
            continue;
        const Words words = SplitWords(line);
        if (words.count == 0)
            continue; // nothing but spaces

        if (kind == LineKind::Header) {
            block = Block::Skipped;
            const auto number = HeaderNumber(words);
            if (!number) {
                warnings.AddAtLine(lines, kMsgHeaderNotANumber, line);
                continue;
            }
            if (*number < 0.0) {
                warnings.AddAtLine(lines, kMsgHeaderNegative, line);
                continue;
            }
            if (*number >= double(n_materials)) {
                warnings.Add(std::string(kMsgOnly30Materials));
                continue;
            }
            const int n = static_cast<int>(*number);
            MaterialEntry& e = table.Entry(n);
            if (e.Defined) {
                warnings.Add(std::string(kMsgDuplicateMaterial) + std::to_string(n) +
                             std::string(kMsgDuplicateMaterialEnd));
                continue;
            }
            block = Block::Current;
            current = n;
            e.Defined = true;
            e.Colors = clsMaterialProperties::DefaultColor(n);
            if (words.count >= 4) {
                e.MaterialNames = std::string(words.w[3]);
            } else {
                e.MaterialNames = "Material " + std::to_string(n);
                warnings.AddAtLine(lines, std::string(kMsgHeaderShort) + e.MaterialNames, line);
            }
            continue;
        }

        if (block != Block::Current) {
            if (block == Block::BeforeFirst && !warnedBeforeFirst) {
                warnings.AddAtLine(lines, kMsgBeforeFirstHeader, line);
                warnedBeforeFirst = true;
            }
            continue;
        }
        MaterialEntry& e = table.Entry(current);

        switch (kind) {
        case LineKind::Reference:
            if (const auto ref = AfterCharacters(line, 6))
                e.MaterialName = std::string(*ref);
            else
                warnings.AddAtLine(lines, kMsgReferenceShort, line);
            break;
        case LineKind::Colour:
            if (const auto colour = words.count >= 3 ? HexColour(words.w[2]) : std::nullopt)
                e.Colors = *colour;
            else
                warnings.AddAtLine(lines, kMsgColourNotHex, line);
            break;
        case LineKind::Parameter: {
            const bool isColor = words.w[0] == kColorKey;
            const KeyInfo* key = isColor ? nullptr : KeyOf(words.w[0]);
            if (!isColor && !key) {
                warnings.Add(std::string(kMsgUnknownParameter) +
                             ShortenUtf8(words.w[0], kQuotedLineBytes));
            } else if (words.count < 3) {
                warnings.AddAtLine(lines, kMsgParameterShort, line);
            } else if (const auto problem = isColor ? StoreColor(e, words.w[2])
                                                    : StoreParameter(e, *key, words.w[2])) {
                warnings.AddAtLine(lines, *problem, line);
            }
            break;
        }
        default:
            break;
        }
    }
}

/// Shows a refusal in a box of its own, records it and leaves the table empty.
void Refuse(clsMaterialProperties& table, MaterialsReadLog& log, std::string_view name,
            std::string_view reason)
{
    log.error = "The materials file \"" + std::string(name) + "\" " + std::string(reason);
    table.NumberOfMaterials(0);
    table.Front().ShowMessage(log.error);
}

} // namespace

std::string MaterialsLineMessage(std::string_view fileName, std::size_t lineNumber,
                                 std::string_view problem, std::string_view line)
{
    return std::string(fileName) + ", line " + std::to_string(lineNumber) + ": " +
           std::string(problem) + ": " + ShortenUtf8(line, kQuotedLineBytes);
}

namespace {

/// Both passes over the bytes of a file; refusals name the file as path, warnings as fileName.
MaterialsReadLog ReadText(clsMaterialProperties& table, std::string_view bytes,
                          std::string_view path, std::string_view fileName)
{
    MaterialsReadLog log;
    if (bytes.starts_with("\xFF\xFE") || bytes.starts_with("\xFE\xFF")) {
        log.status = MaterialsReadLog::Status::Refused;
        Refuse(table, log, path, kMsgFileUtf16);
        return log;
    }
    if (bytes.find('\0') != std::string_view::npos) {
        log.status = MaterialsReadLog::Status::Refused;
        Refuse(table, log, path, kMsgFileNotText);
        return log;
    }
    const std::string text = DecodeText(bytes);

    // First pass: the count. A number too large for the table refuses the file through
    // InitializeDimensions, which shows its message and leaves the table empty.
    const auto largest = LargestMaterialNumber(text);
    if (!table.NumberOfMaterials(largest ? *largest + 1 : kMaxMaterials + 1)) {
        log.status = MaterialsReadLog::Status::Refused;
        log.error = std::string(kMsgTooManyMaterials);
        return log;
    }

    // Defaults of every material before the second pass; names stay "Material i" and the
    // entry -1 keeps what InitializeDimensions gave it.
    for (int i = 0; i < table.NumberOfMaterials(); ++i) {
        MaterialEntry& e = table.Entry(i);
        e.cond.fill(0.0f);
        e.R0 = e.r1 = e.r2 = e.r3 = e.r4 = 0.0f;
        e.R_Preexp = e.R_Exp = 0.0f;
        e.density = 1.0f;
        e.porosity = 0.0f;
        e.MaterialName.clear();
        e.tmin = 0.0f;
        e.tmax = 2500.0f;
        e.HasThermal = e.HasElectrical = false;
        e.Colors = RGB(255, 0, 0);
        e.Defined = false;
    }

    WarningList warnings(log, fileName);
    FillMaterials(table, text, warnings);
    return log;
}

} // namespace

MaterialsReadLog ReadMaterialsText(clsMaterialProperties& table, std::string_view bytes,
                                   std::string_view fileName)
{
    return ReadText(table, bytes, fileName, fileName);
}

MaterialsReadLog ReadMaterialsFile(clsMaterialProperties& table, const std::string& path)
{
    namespace fs = std::filesystem;
    MaterialsReadLog log;
    log.status = MaterialsReadLog::Status::Refused;
    std::error_code ec;
    const fs::path p(path);
    const fs::file_status st =
        path.empty() ? fs::file_status(fs::file_type::not_found) : fs::status(p, ec);
    if (st.type() == fs::file_type::not_found) {
        log.status = MaterialsReadLog::Status::Missing;
        Refuse(table, log, path, kMsgFileNotFound);
        return log;
    }
    if (ec) {
        Refuse(table, log, path, "cannot be read: " + ec.message() + ".");
        return log;
    }
    if (st.type() == fs::file_type::directory) {
        Refuse(table, log, path, kMsgFileIsFolder);
        return log;
    }
    if (st.type() != fs::file_type::regular) {
        Refuse(table, log, path, kMsgFileNotRegular);
        return log;
    }

    errno = 0;
    std::ifstream in(p, std::ios::binary);
    if (!in) {
        const int err = errno;
        Refuse(table, log, path,
               err != 0 ? "cannot be opened: " + std::generic_category().message(err) + "."
                        : std::string("cannot be opened."));
        return log;
    }
    std::string bytes;
    std::array<char, 65536> chunk{};
    while (bytes.size() <= kMaxMaterialsFileBytes) {
        in.read(chunk.data(), chunk.size());
        const auto got = static_cast<std::size_t>(in.gcount());
        bytes.append(chunk.data(), got);
        if (got < chunk.size())
            break;
    }
    if (in.bad()) {
        Refuse(table, log, path, "cannot be read: the read failed.");
        return log;
    }
    if (bytes.size() > kMaxMaterialsFileBytes) {
        Refuse(table, log, path, kMsgFileTooLarge);
        return log;
    }
    in.close();

    const std::string name = p.filename().string();
    return ReadText(table, bytes, path, name.empty() ? path : name);
}

std::vector<std::string> WarningsForDisplay(const MaterialsReadLog& log)
{
    std::vector<std::string> shown;
    const std::size_t n = std::min(log.warnings.size(), kShownWarnings);
    shown.assign(log.warnings.begin(), log.warnings.begin() + static_cast<std::ptrdiff_t>(n));
    if (log.warningCount > n)
        shown.push_back("and " + std::to_string(log.warningCount - n) + " more");
    return shown;
}

bool clsMaterialProperties::ReadMaterials(const std::string& MaterialFileName)
{
    const MaterialsReadLog log = ReadMaterialsFile(*this, MaterialFileName);
    if (!log.warnings.empty())
        Front().ShowMessages(WarningsForDisplay(log));
    return log.status == MaterialsReadLog::Status::Read;
}

} // namespace tarsen
