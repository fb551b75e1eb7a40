#include "materials/textdecode.h"
#include "model/propertybag.h"

#include <gtest/gtest.h>

#include <cmath>
#include <cstring>
#include <limits>
#include <string>

namespace tarsen {
namespace {

std::string Doc(const std::string& properties)
{
    return R"({"format": "Tarsen assembly", "version": 1, "properties": [)" + properties + "]}";
}

std::string Entry(const std::string& name, const std::string& type, const std::string& value)
{
    return R"({"name": ")" + name + R"(", "type": ")" + type + R"(", "value": )" + value + "}";
}

TEST(PropertyBag, DefaultsAreNotStoredAndOrderIsKept)
{
    PropertyBag bag;
    bag.WriteSingle("w", 1.8f, 1.8f);
    bag.WriteSingle("b", 2.0f, 1.0f);
    bag.WriteInteger("nr", 64, 64);
    bag.WriteInteger("a", 512, 64);
    bag.WriteBoolean("FluxMatch", true, true);
    bag.WriteBoolean("c", false, true);
    bag.WriteString("Name", ".", ".");
    bag.WriteString("d", "Furnace", ".");
    bag.WriteLong("e", 7, 0);
    bag.WriteSingle("b", 3.0f, 1.0f); // rewritten: keeps its place
    ASSERT_EQ(bag.Properties().size(), 5u);
    const char* order[] = {"b", "a", "c", "d", "e"};
    for (std::size_t k = 0; k < 5; ++k)
        EXPECT_EQ(bag.Properties()[k].name, order[k]);
    EXPECT_EQ(bag.ReadSingle("b", 0), 3.0f);
    EXPECT_FALSE(bag.Has("w"));
    EXPECT_EQ(bag.ReadSingle("w", 1.8f), 1.8f);
    EXPECT_EQ(bag.ReadString("Name", "Part 0"), "Part 0");
    EXPECT_TRUE(bag.Error().empty());
}

TEST(PropertyBag, ValuesConvertToTheirDestination)
{
    PropertyBag bag;
    ASSERT_TRUE(bag.LoadContents(
        Doc(Entry("s64", "Single", "64") + "," + Entry("half", "Single", "2.5") + "," +
            Entry("half3", "Single", "3.5") + "," + Entry("neghalf", "Single", "-2.5") + "," +
            Entry("yes", "Boolean", "true") + "," + Entry("no", "Boolean", "false") + "," +
            Entry("zero", "Long", "0") + "," + Entry("tenth", "Single", "0.1") + "," +
            Entry("big", "Long", "2147483647") + "," + Entry("txt", "String", "\"Pt\""))))
        << bag.Error();
    EXPECT_EQ(bag.ReadInteger("s64", 0), 64);
    EXPECT_EQ(bag.ReadInteger("half", 0), 2);
    EXPECT_EQ(bag.ReadInteger("half3", 0), 4);
    EXPECT_EQ(bag.ReadLong("neghalf", 0), -2);
    EXPECT_EQ(bag.ReadInteger("yes", 0), -1); // True is -1 as a number
    EXPECT_EQ(bag.ReadSingle("no", 5), 0.0f);
    EXPECT_TRUE(bag.ReadBoolean("s64", false));
    EXPECT_FALSE(bag.ReadBoolean("zero", true));
    EXPECT_EQ(bag.ReadSingle("tenth", 0), 0.1f); // the double 0.1 rounded to Single once
    EXPECT_EQ(bag.ReadLong("big", 0), 2147483647);
    EXPECT_EQ(bag.ReadString("s64", ""), "64");
    EXPECT_EQ(bag.ReadString("yes", ""), "True");
    EXPECT_EQ(bag.ReadString("txt", ""), "Pt");
    EXPECT_TRUE(bag.Error().empty());

    // Values that cannot reach their destination give the default and the first problem.
    EXPECT_EQ(bag.ReadInteger("big", 12), 12);
    EXPECT_EQ(bag.Error(), "\"big\" holds 2147483647, which does not fit an Integer");
    EXPECT_EQ(bag.ReadSingle("txt", 1.0f), 1.0f);
    EXPECT_EQ(bag.ReadBoolean("txt", true), true);
    EXPECT_EQ(bag.Error(), "\"big\" holds 2147483647, which does not fit an Integer");

    PropertyBag other;
    ASSERT_TRUE(other.LoadContents(Doc(Entry("txt", "String", "\"Pt\""))));
    EXPECT_EQ(other.ReadLong("txt", 3), 3);
    EXPECT_EQ(other.Error(), "\"txt\" holds the text \"Pt\" where a Long belongs");
}

TEST(PropertyBag, ContentsRoundTripEverySingleExactly)
{
    const float singles[] = {0.1f,
                             1.0f / 3.0f,
                             1.8f,
                             0.008f,
                             -12.625f,
                             std::numeric_limits<float>::max(),
                             std::numeric_limits<float>::min(),
                             std::numeric_limits<float>::denorm_min(),
                             16777216.0f,
                             -0.0f,
                             3.1415927f,
                             123456.79f};
    PropertyBag bag;
    for (std::size_t k = 0; k < std::size(singles); ++k)
        bag.WriteSingle("s" + std::to_string(k), singles[k], 99.0f);
    bag.WriteInteger("i", -32768, 0);
    bag.WriteLong("l", -2147483647 - 1, 0);
    bag.WriteBoolean("b", true, false);
    bag.WriteString("t", "Kapsel \xC3\xBC \"quoted\" \\ back", "");
    std::string doc;
    ASSERT_TRUE(bag.Contents(doc));
    // Shortest forms, not the double expansion of the float.
    EXPECT_NE(doc.find("\"value\": 0.1 }"), std::string::npos) << doc;
    EXPECT_NE(doc.find("\"value\": 1.8 }"), std::string::npos) << doc;
    EXPECT_NE(doc.find("\"type\": \"Single\""), std::string::npos);

    PropertyBag back;
    ASSERT_TRUE(back.LoadContents(doc)) << back.Error();
    ASSERT_EQ(back.Properties().size(), bag.Properties().size());
    for (std::size_t k = 0; k < std::size(singles); ++k) {
        const float f = back.ReadSingle("s" + std::to_string(k), 99.0f);
        EXPECT_EQ(std::memcmp(&f, &singles[k], sizeof f), 0) << k << " " << f;
    }
    EXPECT_EQ(back.ReadInteger("i", 0), -32768);
    EXPECT_EQ(back.ReadLong("l", 0), -2147483647 - 1);
    EXPECT_TRUE(back.ReadBoolean("b", false));
    EXPECT_EQ(back.ReadString("t", ""), "Kapsel \xC3\xBC \"quoted\" \\ back");
    for (std::size_t k = 0; k < bag.Properties().size(); ++k) {
        EXPECT_EQ(back.Properties()[k].name, bag.Properties()[k].name);
        EXPECT_EQ(back.Properties()[k].type, bag.Properties()[k].type);
    }

    // A document cannot hold a Single that is not finite: the write fails, naming it.
    PropertyBag bad;
    bad.WriteSingle("rmax", std::numeric_limits<float>::infinity(), 5.0f);
    EXPECT_FALSE(bad.Contents(doc));
    EXPECT_EQ(bad.Error(), "\"rmax\" is not a finite number");
}

TEST(PropertyBag, RefusesWhatIsNotTheContainer)
{
    struct Row {
        std::string document;
        std::string reason; // a prefix of the message
    };
    const std::string json = "it is not a valid JSON document (";
    const std::string notOurs = "it is not a Tarsen assembly file";
    const Row rows[] = {
        {"", json},
        {"not json", json},
        {Doc("") + " trailing", json},
        {Doc("") + "}", json},
        // The parser quotes what it read last: here a long token with bytes that are not UTF-8.
        {"{\"format\": \"" + std::string(100'000, 'x') + "\xff", json},
        {"\"Tarsen assembly\"", notOurs},
        {R"({"format": "Tarsen", "version": 1, "properties": []})", notOurs},
        {R"({"format": 1, "version": 1, "properties": []})", notOurs},
        {R"({"format": "Tarsen assembly", "properties": []})",
         notOurs + " (its version is missing or invalid)"},
        {R"({"format": "Tarsen assembly", "version": 0, "properties": []})",
         notOurs + " (its version is missing or invalid)"},
        {R"({"format": "Tarsen assembly", "version": 1.5, "properties": []})",
         notOurs + " (its version is missing or invalid)"},
        {R"({"format": "Tarsen assembly", "version": 3, "properties": []})",
         "it was written by a newer version of the program (file version 3)"},
        {R"({"format": "Tarsen assembly", "version": 1})", notOurs + " (it has no property list)"},
        {Doc("[]"), "entry 0 of the property list is not a property"},
        {Doc(R"({"name": 1, "type": "Single", "value": 1})"),
         "entry 0 of the property list lacks its name, type or value"},
        {Doc(Entry("a", "Single", "1") + "," + R"({"name": "b", "value": 1})"),
         "entry 1 of the property list lacks its name, type or value"},
        {Doc(Entry("a", "single", "1")), "\"a\" has the unknown type \"single\""},
        {Doc(Entry("a", "Single", "null")), "\"a\" holds null, which is not a Single"},
        {Doc(Entry("a", "Integer", "true")), "\"a\" holds true, which is not an Integer"},
        {Doc(Entry("a", "Boolean", "1")), "\"a\" holds 1, which is not a Boolean"},
        {Doc(Entry("a", "String", "[\"x\"]")), "\"a\" holds [\"x\"], which is not a String"},
        {Doc(Entry("a", "Long", "1") + "," + Entry("a", "Long", "1")),
         "the name \"a\" is stored twice"},
        {Doc(Entry("a", "String", std::string(20, '[') + std::string(20, ']'))),
         "it nests deeper than an assembly file does"},
        {"\"" + std::string(kBagMaxBytes, 'x') + "\"", "the file is larger than 16 MiB"},
    };
    for (const Row& row : rows) {
        PropertyBag bag;
        bag.WriteLong("kept", 1, 0);
        EXPECT_FALSE(bag.LoadContents(row.document)) << row.reason;
        EXPECT_EQ(bag.Error().substr(0, row.reason.size()), row.reason)
            << row.document.substr(0, 80);
        EXPECT_TRUE(IsValidUtf8(bag.Error())) << bag.Error();
        EXPECT_LT(bag.Error().size(), 400u); // a message the user can read in a box
        EXPECT_TRUE(bag.Properties().empty());
    }
}

TEST(PropertyBag, AcceptsLaterAdditions)
{
    PropertyBag bag;
    // Unknown members of the document and of an entry are ignored; names are exact.
    ASSERT_TRUE(bag.LoadContents(
        R"({"properties": [{"name": "nr", "type": "Integer", "value": 32, "unit": "cells"},
                           {"name": "NR", "type": "Integer", "value": 16}],
            "version": 1, "format": "Tarsen assembly", "comment": {"a": [1, 2]}})"))
        << bag.Error();
    EXPECT_EQ(bag.ReadInteger("nr", 64), 32);
    EXPECT_EQ(bag.ReadInteger("NR", 64), 16);
    EXPECT_EQ(bag.ReadInteger("Nr", 64), 64);
}

} // namespace
} // namespace tarsen
