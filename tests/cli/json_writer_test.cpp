#include "cli/json_writer.h"

#include <gtest/gtest.h>
#include <nlohmann/json.hpp>

#include <limits>
#include <sstream>

#include "core/base/file_url.h"

namespace lopewell::cli {
namespace {

using nlohmann::json;
using nlohmann::ordered_json;

// Writes `document` through the writer, member by member in its own order.
template <typename Json>
void replay(JsonWriter& writer, const Json& document)
{
    switch (document.type()) {
    case Json::value_t::object:
        writer.beginObject();
        for (const auto& [name, value] : document.items()) {
            writer.key(name);
            replay(writer, value);
        }
        writer.endObject();
        break;
    case Json::value_t::array:
        writer.beginArray();
        for (const Json& value : document)
            replay(writer, value);
        writer.endArray();
        break;
    case Json::value_t::string:
        writer.string(document.template get_ref<const std::string&>());
        break;
    case Json::value_t::number_unsigned:
        writer.number(document.template get<std::uint64_t>());
        break;
    case Json::value_t::number_integer:
        writer.number(document.template get<std::int64_t>());
        break;
    case Json::value_t::number_float:
        writer.number(document.template get<double>());
        break;
    case Json::value_t::boolean:
        writer.boolean(document.template get<bool>());
        break;
    default:
        FAIL() << "not replayed: " << document.type_name();
    }
}

template <typename Json>
std::string written(const Json& document, JsonWriter::Style style)
{
    std::ostringstream out;
    {
        JsonWriter writer(out, style);
        replay(writer, document);
    }
    return out.str();
}

template <typename Json>
std::string dumped(const Json& document, JsonWriter::Style style)
{
    return document.dump(style == JsonWriter::Style::indented ? 2 : -1, ' ', false, Json::error_handler_t::replace) + "\n";
}

std::vector<json> documents()
{
    const double tiny = std::numeric_limits<double>::denorm_min();
    return {
        json::object(),
        json::array(),
        json { { "items", json::array() }, { "state", "missing" }, { "totalBytes", 0 } },
        json { { "a", json::object() }, { "b", json::array({ json::array(), json::object(), json::array({ 1 }) }) } },
        json::array({ 0.0, -0.0, 1.0, 0.1, 1e300, -1e-300, tiny, 818690275.2989887, 1234.567891, 1e15, 1e16, 123456789012345678.0, 0.0001,
            0.00001, std::numeric_limits<double>::max() }),
        json::array({ std::numeric_limits<std::uint64_t>::max(), std::numeric_limits<std::int64_t>::min(), -1, 0, true, false }),
        json::array({ "", "plain ascii", "quote \" and backslash \\", "tab\tnewline\ncr\r\b\f", std::string("nul \0 inside", 12),
            "\x01\x1f\x7f", "Caf\xC3\xA9 · \xE2\x80\x94", "broken \xFF\xFE utf-8 \xC3", "\xF0\x9F\x98\x80 emoji", "/% file:///x%20y" }),
        json { { "system.userCaches",
            { { "items",
                  json::array({ { { "modificationDate", 818690275.2989887 }, { "size", 4096 }, { "url", "file:///a/b%20c" } },
                      { { "displayName", "Firefox \xFF" }, { "size", 0 }, { "url", "file:///d" } } }) },
                { "skipped", json::array({ "Firefox is running" }) }, { "state", "scanned" }, { "totalBytes", 4096 } } } },
    };
}

TEST(JsonWriter, WritesExactlyWhatDumpPrintsCompactAndIndented)
{
    for (const json& document : documents()) {
        for (JsonWriter::Style style : { JsonWriter::Style::compact, JsonWriter::Style::indented })
            EXPECT_EQ(written(document, style), dumped(document, style)) << document.dump(-1, ' ', true, json::error_handler_t::replace);
    }
    // Members in the order given, as ordered_json keeps them.
    const ordered_json ordered { { "url", "file:///z" }, { "size", 7 }, { "files", ordered_json::array({ "b", "a" }) } };
    EXPECT_EQ(written(ordered, JsonWriter::Style::compact), dumped(ordered, JsonWriter::Style::compact));
}

TEST(JsonWriter, WritesAFileURLAsFileURLStringGivesIt)
{
    for (const char* path : { "/home/a/My File.txt", "/a/\"quoted\"\\back", "/bytes \xFF\x01\n", "relative/x", "" }) {
        std::ostringstream out;
        {
            JsonWriter writer(out, JsonWriter::Style::compact);
            writer.beginArray();
            writer.fileURL(path);
            writer.endArray();
        }
        EXPECT_EQ(out.str(), json::array({ fileURLString(path) }).dump() + "\n") << path;
    }
}

TEST(JsonWriter, KeepsNoMoreThanItsBufferWhileWriting)
{
    // Far more than the buffer: most of it must have reached the stream before the end.
    std::ostringstream out;
    JsonWriter writer(out, JsonWriter::Style::compact);
    writer.beginArray();
    const std::string piece(1000, 'x');
    for (int i = 0; i < 1000; ++i)
        writer.string(piece);
    EXPECT_GT(out.str().size(), 900'000u);
    writer.endArray();
    writer.finish();
    writer.finish();
    EXPECT_EQ(out.str().size(), 1000u * 1002 + 999 + 2 + 1);  // strings, commas, brackets, newline
    EXPECT_EQ(out.str().back(), '\n');
}

}  // namespace
}  // namespace lopewell::cli
