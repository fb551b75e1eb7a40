#include "model/propertybag.h"

#include "common/numeric.h"
#include "common/textnum.h"
#include "materials/textdecode.h"

#include <cmath>
#include <nlohmann/json.hpp>
#include <stdexcept>

namespace tarsen {

namespace {

using nlohmann::json;

/// The container nests three levels (document, property list, entry); anything much deeper is
/// not ours, and the limit keeps hostile nesting from exhausting memory.
constexpr int kMaxDepth = 8;
/// Values of every kind in one document; a full assembly stores about 400 entries.
constexpr long kMaxValues = 1'000'000;

/// Longest part of the parser's own text that a message quotes, in bytes.
constexpr std::size_t kMaxParserText = 200;

struct ParseLimit : std::runtime_error {
    using std::runtime_error::runtime_error;
};

/// The library's document builder with the two limits above. Its callback interface would do
/// the same, but it rescans the enclosing list after every entry, which makes reading a long
/// property list take time growing with the square of its length.
class LimitedDocument : public nlohmann::detail::json_sax_dom_parser<json> {
public:
    using Base = nlohmann::detail::json_sax_dom_parser<json>;
    explicit LimitedDocument(json& doc) : Base(doc, true) {}

    bool start_object(std::size_t n)
    {
        Open();
        return Base::start_object(n);
    }
    bool end_object()
    {
        --m_depth;
        return Base::end_object();
    }
    bool start_array(std::size_t n)
    {
        Open();
        return Base::start_array(n);
    }
    bool end_array()
    {
        --m_depth;
        return Base::end_array();
    }
    bool key(json::string_t& k) { return Count() && Base::key(k); }
    bool null() { return Count() && Base::null(); }
    bool boolean(bool v) { return Count() && Base::boolean(v); }
    bool number_integer(json::number_integer_t v) { return Count() && Base::number_integer(v); }
    bool number_unsigned(json::number_unsigned_t v) { return Count() && Base::number_unsigned(v); }
    bool number_float(json::number_float_t v, const json::string_t& text)
    {
        return Count() && Base::number_float(v, text);
    }
    bool string(json::string_t& v) { return Count() && Base::string(v); }
    bool binary(json::binary_t& v) { return Count() && Base::binary(v); }

private:
    /// A value at the present depth (the number of enclosing objects and lists).
    bool Count()
    {
        if (m_depth > kMaxDepth)
            throw ParseLimit("it nests deeper than an assembly file does");
        if (++m_values > kMaxValues)
            throw ParseLimit("it holds more values than an assembly file does");
        return true;
    }
    void Open()
    {
        Count();
        ++m_depth;
    }

    int m_depth = 0;
    long m_values = 0;
};

bool ParseType(std::string_view name, PropertyType& type)
{
    for (PropertyType t : {PropertyType::Single, PropertyType::Integer, PropertyType::Long,
                           PropertyType::Boolean, PropertyType::String}) {
        if (name == PropertyTypeName(t)) {
            type = t;
            return true;
        }
    }
    return false;
}

/// "a Single", "an Integer", ...
std::string WithArticle(PropertyType type)
{
    return (type == PropertyType::Integer ? "an " : "a ") + std::string(PropertyTypeName(type));
}

std::string Quoted(std::string_view s) { return "\"" + std::string(s) + "\""; }

/// A stored number as text for messages and for reading a number into a String.
std::string NumberText(const Property& p)
{
    if (p.type == PropertyType::Single)
        return ShortestSingle(static_cast<float>(p.number));
    return ShortestDouble(p.number);
}

} // namespace

std::string_view PropertyTypeName(PropertyType type)
{
    switch (type) {
    case PropertyType::Single:
        return "Single";
    case PropertyType::Integer:
        return "Integer";
    case PropertyType::Long:
        return "Long";
    case PropertyType::Boolean:
        return "Boolean";
    case PropertyType::String:
        return "String";
    }
    return "Single";
}

const Property* PropertyBag::Find(std::string_view name) const
{
    const auto it = m_index.find(name);
    return it == m_index.end() ? nullptr : &m_properties[it->second];
}

bool PropertyBag::Has(std::string_view name) const { return Find(name) != nullptr; }

void PropertyBag::Store(Property p)
{
    const auto [it, added] = m_index.try_emplace(p.name, m_properties.size());
    if (added)
        m_properties.push_back(std::move(p));
    else
        m_properties[it->second] = std::move(p);
}

void PropertyBag::Fail(std::string text)
{
    if (m_error.empty())
        m_error = std::move(text);
}

void PropertyBag::WriteSingle(std::string_view name, float value, float defaultValue)
{
    if (value == defaultValue)
        return;
    Property p;
    p.name = name;
    p.type = PropertyType::Single;
    p.number = value;
    Store(std::move(p));
}

void PropertyBag::WriteInteger(std::string_view name, std::int16_t value, std::int16_t defaultValue)
{
    if (value == defaultValue)
        return;
    Property p;
    p.name = name;
    p.type = PropertyType::Integer;
    p.number = value;
    Store(std::move(p));
}

void PropertyBag::WriteLong(std::string_view name, std::int32_t value, std::int32_t defaultValue)
{
    if (value == defaultValue)
        return;
    Property p;
    p.name = name;
    p.type = PropertyType::Long;
    p.number = value;
    Store(std::move(p));
}

void PropertyBag::WriteBoolean(std::string_view name, bool value, bool defaultValue)
{
    if (value == defaultValue)
        return;
    Property p;
    p.name = name;
    p.type = PropertyType::Boolean;
    p.boolean = value;
    Store(std::move(p));
}

void PropertyBag::WriteString(std::string_view name, std::string_view value,
                              std::string_view defaultValue)
{
    if (value == defaultValue)
        return;
    Property p;
    p.name = name;
    p.type = PropertyType::String;
    p.text = value;
    Store(std::move(p));
}

bool PropertyBag::Number(std::string_view name, const char* typeName, double& out)
{
    const Property* p = Find(name);
    if (!p)
        return false;
    switch (p->type) {
    case PropertyType::Boolean:
        out = p->boolean ? -1.0 : 0.0;
        return true;
    case PropertyType::String:
        Fail(Quoted(name) + " holds the text " + Quoted(p->text) + " where " + typeName +
             " belongs");
        return false;
    default:
        out = p->number;
        return true;
    }
}

float PropertyBag::ReadSingle(std::string_view name, float defaultValue)
{
    double v = 0.0;
    if (!Number(name, "a Single", v))
        return defaultValue;
    // Read as double, rounded to Single once.
    const float f = static_cast<float>(v);
    if (!std::isfinite(f)) {
        Fail(Quoted(name) + " holds " + ShortestDouble(v) + ", which does not fit a Single");
        return defaultValue;
    }
    return f;
}

std::int16_t PropertyBag::ReadInteger(std::string_view name, std::int16_t defaultValue)
{
    double v = 0.0;
    if (!Number(name, "an Integer", v))
        return defaultValue;
    if (auto i = TryCInt(v))
        return *i;
    Fail(Quoted(name) + " holds " + ShortestDouble(v) + ", which does not fit an Integer");
    return defaultValue;
}

std::int32_t PropertyBag::ReadLong(std::string_view name, std::int32_t defaultValue)
{
    double v = 0.0;
    if (!Number(name, "a Long", v))
        return defaultValue;
    if (auto i = TryCLng(v))
        return *i;
    Fail(Quoted(name) + " holds " + ShortestDouble(v) + ", which does not fit a Long");
    return defaultValue;
}

bool PropertyBag::ReadBoolean(std::string_view name, bool defaultValue)
{
    const Property* p = Find(name);
    if (!p)
        return defaultValue;
    switch (p->type) {
    case PropertyType::Boolean:
        return p->boolean;
    case PropertyType::String:
        Fail(Quoted(name) + " holds the text " + Quoted(p->text) + " where a Boolean belongs");
        return defaultValue;
    default:
        return p->number != 0.0;
    }
}

std::string PropertyBag::ReadString(std::string_view name, std::string_view defaultValue)
{
    const Property* p = Find(name);
    if (!p)
        return std::string(defaultValue);
    switch (p->type) {
    case PropertyType::String:
        return p->text;
    case PropertyType::Boolean:
        return p->boolean ? "True" : "False";
    default:
        return NumberText(*p);
    }
}

bool PropertyBag::Contents(std::string& document)
{
    // One property per line, in writing order, so that the file reads and compares well as
    // text. Text that is not UTF-8 (a name pasted from elsewhere) is written with replacement
    // characters rather than refused.
    auto text = [](const json& v) {
        return v.dump(-1, ' ', false, json::error_handler_t::replace);
    };
    std::string out = "{\n  \"format\": " + text(std::string(kBagFormat)) +
                      ",\n  \"version\": " + std::to_string(kBagVersion) + ",\n  \"properties\": [";
    bool first = true;
    for (const Property& p : m_properties) {
        json value;
        switch (p.type) {
        case PropertyType::Single: {
            const float f = static_cast<float>(p.number);
            if (!std::isfinite(f)) {
                Fail(Quoted(p.name) + " is not a finite number");
                return false;
            }
            // The double nearest the shortest text of the float prints as that text; should
            // it not round back to the float, the exact value is written instead.
            const double shortest = ParseNumber(ShortestSingle(f)).value_or(double(f));
            value = static_cast<float>(shortest) == f ? shortest : double(f);
            break;
        }
        case PropertyType::Integer:
        case PropertyType::Long:
            value = static_cast<std::int64_t>(p.number);
            break;
        case PropertyType::Boolean:
            value = p.boolean;
            break;
        case PropertyType::String:
            value = p.text;
            break;
        }
        out += first ? "\n    " : ",\n    ";
        first = false;
        out += "{ \"name\": " + text(p.name) + ", \"type\": \"" +
               std::string(PropertyTypeName(p.type)) + "\", \"value\": " + text(value) + " }";
    }
    out += first ? "]\n}\n" : "\n  ]\n}\n";
    document = std::move(out);
    return true;
}

bool PropertyBag::LoadContents(std::string_view document)
{
    m_properties.clear();
    m_index.clear();
    m_error.clear();
    auto refuse = [this](std::string text) {
        m_properties.clear();
        m_index.clear();
        m_error = std::move(text);
        return false;
    };
    if (document.size() > kBagMaxBytes)
        return refuse("the file is larger than 16 MiB");

    json doc;
    try {
        LimitedDocument builder(doc);
        json::sax_parse(document.begin(), document.end(), &builder);
    } catch (const ParseLimit& e) {
        return refuse(e.what());
    } catch (const json::exception& e) {
        // The parser's text, without its "[json.exception.parse_error.101] " tag.
        std::string what = e.what();
        if (const auto tag = what.find("] "); what.rfind('[', 0) == 0 && tag != std::string::npos)
            what.erase(0, tag + 2);
        // It quotes the last token read, which may be long and need not be UTF-8.
        what = ShortenUtf8(DecodeText(what), kMaxParserText);
        return refuse("it is not a valid JSON document (" + what + ")");
    }

    const std::string notOurs = "it is not a Tarsen assembly file";
    if (!doc.is_object())
        return refuse(notOurs);
    const auto format = doc.find("format");
    if (format == doc.end() || !format->is_string() ||
        format->get_ref<const std::string&>() != kBagFormat)
        return refuse(notOurs);
    const auto version = doc.find("version");
    if (version == doc.end() || !version->is_number_integer() || version->get<double>() < 1.0)
        return refuse(notOurs + " (its version is missing or invalid)");
    if (version->get<double>() > kBagVersion)
        return refuse("it was written by a newer version of the program (file version " +
                      version->dump() + ")");
    const auto list = doc.find("properties");
    if (list == doc.end() || !list->is_array())
        return refuse(notOurs + " (it has no property list)");

    std::vector<Property> read;
    read.reserve(list->size());
    std::unordered_map<std::string, std::size_t, NameHash, std::equal_to<>> index;
    index.reserve(list->size());
    std::size_t k = 0;
    for (const json& entry : *list) {
        const std::string where = "entry " + std::to_string(k++) + " of the property list";
        if (!entry.is_object())
            return refuse(where + " is not a property");
        const auto name = entry.find("name");
        const auto type = entry.find("type");
        const auto value = entry.find("value");
        if (name == entry.end() || !name->is_string() || type == entry.end() ||
            !type->is_string() || value == entry.end())
            return refuse(where + " lacks its name, type or value");
        Property p;
        p.name = name->get<std::string>();
        if (!ParseType(type->get_ref<const std::string&>(), p.type))
            return refuse(Quoted(p.name) + " has the unknown type " + type->dump());
        const bool numeric = p.type == PropertyType::Single || p.type == PropertyType::Integer ||
                             p.type == PropertyType::Long;
        if (numeric && value->is_number())
            p.number = value->get<double>();
        else if (p.type == PropertyType::Boolean && value->is_boolean())
            p.boolean = value->get<bool>();
        else if (p.type == PropertyType::String && value->is_string())
            p.text = value->get<std::string>();
        else
            return refuse(Quoted(p.name) + " holds " +
                          value->dump(-1, ' ', false, json::error_handler_t::replace) +
                          ", which is not " + WithArticle(p.type));
        // Names are compared exactly; a name stored twice makes the file ambiguous.
        if (!index.try_emplace(p.name, read.size()).second)
            return refuse("the name " + Quoted(p.name) + " is stored twice");
        read.push_back(std::move(p));
    }
    m_properties = std::move(read);
    m_index = std::move(index);
    return true;
}

} // namespace tarsen
