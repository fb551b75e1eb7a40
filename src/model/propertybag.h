// A property bag: an ordered list of named, typed values (Single, Integer, Long, Boolean,
// String). A value equal to its writing default is not stored; reading a name that is not stored
// yields the reading default, and a stored value is converted to the type asked for. The bag's
// contents are one UTF-8 JSON document.
#pragma once

#include <cstdint>
#include <functional>
#include <string>
#include <string_view>
#include <unordered_map>
#include <vector>

namespace tarsen {

enum class PropertyType : std::uint8_t { Single, Integer, Long, Boolean, String };

/// The type's name in the document ("Single", "Integer", "Long", "Boolean", "String").
std::string_view PropertyTypeName(PropertyType type);

/// One stored value. Numbers of every type are held as the double the document gives.
struct Property {
    std::string name;
    PropertyType type = PropertyType::Single;
    double number = 0.0;
    bool boolean = false;
    std::string text;
};

/// Document format name and the newest version this reader understands.
inline constexpr std::string_view kBagFormat = "Tarsen assembly";
inline constexpr int kBagVersion = 1;
/// Largest document that is parsed, in bytes (16 MiB).
inline constexpr std::size_t kBagMaxBytes = 16u * 1024u * 1024u;

class PropertyBag {
public:
    // Writing: the value is stored unless it equals the default (compared in its own type). A
    // name written twice keeps its first position and takes the later value.
    void WriteSingle(std::string_view name, float value, float defaultValue);
    void WriteInteger(std::string_view name, std::int16_t value, std::int16_t defaultValue);
    void WriteLong(std::string_view name, std::int32_t value, std::int32_t defaultValue);
    void WriteBoolean(std::string_view name, bool value, bool defaultValue);
    void WriteString(std::string_view name, std::string_view value, std::string_view defaultValue);

    /// Whether the name is stored.
    bool Has(std::string_view name) const;

    // Reading converts the stored value to the type asked for: numbers round halves to even into
    // Integer and Long, a Boolean is -1 (True) or 0 as a number, a number is True when non-zero.
    // A value that cannot be converted (text where a number belongs, a number that does not fit)
    // yields the default and sets Error() to the first such problem.
    float ReadSingle(std::string_view name, float defaultValue);
    std::int16_t ReadInteger(std::string_view name, std::int16_t defaultValue);
    std::int32_t ReadLong(std::string_view name, std::int32_t defaultValue);
    bool ReadBoolean(std::string_view name, bool defaultValue);
    std::string ReadString(std::string_view name, std::string_view defaultValue);

    /// The first conversion problem met by a read, empty when there was none.
    const std::string& Error() const { return m_error; }

    const std::vector<Property>& Properties() const { return m_properties; }

    /// The document: {"format": "Tarsen assembly", "version": 1, "properties": [{"name",
    /// "type", "value"}, ...]} in writing order. Singles appear in the shortest decimal form
    /// that reads back to the same float. Fails (returns false, sets Error()) only when a Single
    /// is not finite, which the document cannot hold.
    bool Contents(std::string& document);

    /// Replaces the bag by a document. Refuses (returns false, sets Error(), the bag is then
    /// empty) text that is not this container, a newer version, a malformed entry, a value that
    /// does not match its type, a duplicated name, or more than kBagMaxBytes.
    bool LoadContents(std::string_view document);

private:
    /// Hashes a name given as any kind of string, so that lookups need no copy of it.
    struct NameHash {
        using is_transparent = void;
        std::size_t operator()(std::string_view s) const noexcept
        {
            return std::hash<std::string_view>{}(s);
        }
    };

    const Property* Find(std::string_view name) const;
    void Store(Property p);
    bool Number(std::string_view name, const char* typeName, double& out);
    void Fail(std::string text);

    std::vector<Property> m_properties; //!< in writing (or file) order
    /// Position of each name in m_properties: a file may hold any number of names, and the
    /// reader looks up several hundred of them.
    std::unordered_map<std::string, std::size_t, NameHash, std::equal_to<>> m_index;
    std::string m_error;
};

} // namespace tarsen
