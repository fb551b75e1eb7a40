// Numbers in the tool's JSON documents. JSON has no infinity and no NaN: a value that is not
// finite is written as null, so that a document always parses and a diverged run never shows a
// number it did not compute. The text output keeps "inf", "-inf" and "nan"; it is printed from
// the same objects built with NonFinite::Text, which holds those words as strings.
#pragma once

#include "common/textnum.h"

#include <cmath>
#include <nlohmann/json.hpp>
#include <string>

namespace tarsen::batch {

using Json = nlohmann::ordered_json;

/// The first member of each document: its layout and version, as the JSON Schema files of the
/// schema folder define them. Raise the version when a member is renamed, removed or changes
/// meaning (and the schema file with it); a new member needs no new version.
inline constexpr const char* kCheckSchema = "tarsen-batch/check/1";
inline constexpr const char* kMaterialsSchema = "tarsen-batch/materials/1";
inline constexpr const char* kRunSchema = "tarsen-batch/run/1";

/// How a number that is not finite enters a JSON object.
enum class NonFinite {
    Null, // for a JSON document
    Text, // for the text output: the word ShortestSingle or ShortestDouble prints
};

/// A Single as the JSON number of its shortest decimal form (0.1f as 0.1, not as
/// 0.10000000149011612).
inline Json JsonSingle(float v, NonFinite nonFinite = NonFinite::Null)
{
    if (!std::isfinite(v))
        return nonFinite == NonFinite::Null ? Json(nullptr) : Json(ShortestSingle(v));
    return Json(ParseNumber(ShortestSingle(v)).value_or(0.0));
}

/// A Double as a JSON number.
inline Json JsonDouble(double v, NonFinite nonFinite = NonFinite::Null)
{
    if (!std::isfinite(v))
        return nonFinite == NonFinite::Null ? Json(nullptr) : Json(ShortestDouble(v));
    return Json(v);
}

/// A number of such an object as the text output prints it: the shortest decimal form. (The
/// JSON library's own printing reads back to the same value but is not always the shortest:
/// 0.0115959365f came out as 0.011595936499999999.) Other values as the JSON library prints
/// them, strings without their quotes.
inline std::string JsonText(const Json& v)
{
    if (v.is_number_float())
        return ShortestDouble(v.get<double>());
    return v.is_string() ? v.get<std::string>() : v.dump();
}

} // namespace tarsen::batch
