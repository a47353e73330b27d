// JSON written as it goes, byte for byte what nlohmann::json's dump() prints for the same
// document (compact, or dump(2)'s two-space indent), bytes that are not UTF-8 replaced by
// U+FFFD as dump() does with error_handler_t::replace. No document is held: a listing of a
// million items costs one output buffer, and the caller writes keys in the order dump() would
// (sorted for nlohmann::json, as inserted for ordered_json).
//
//   JsonWriter json(out, JsonWriter::Style::indented);
//   json.beginObject();
//   json.key("items");
//   json.beginArray();
//   for (...) json.string(url);
//   json.endArray();
//   json.endObject();
//   json.finish();   // "\n" and a flush; also done by the destructor
#pragma once

#include <cstdint>
#include <iosfwd>
#include <string>
#include <string_view>
#include <vector>

namespace lopewell::cli {

class JsonWriter {
public:
    enum class Style { compact, indented };

    JsonWriter(std::ostream& out, Style style);
    ~JsonWriter();
    JsonWriter(const JsonWriter&) = delete;
    JsonWriter& operator=(const JsonWriter&) = delete;

    void beginObject();
    void endObject();
    void beginArray();
    void endArray();
    // In an object, before each member's value.
    void key(std::string_view name);

    void string(std::string_view text);
    // The string fileURLString(path) would give, encoded straight into the output.
    void fileURL(std::string_view path);
    void number(std::uint64_t value);
    void number(std::int64_t value);
    // Finite numbers as dump() shortens them; NaN and the infinities as null.
    void number(double value);
    void boolean(bool value);

    // Ends the document with a newline and flushes; once.
    void finish();

private:
    struct Level {
        bool isObject;
        bool hasMembers;
    };
    void beforeValue();
    void separate(Level& level);
    void appendString(std::string_view text);
    void newline(std::size_t depth);
    void flushIfFull();

    std::ostream& m_out;
    Style m_style;
    std::string m_buffer;
    std::vector<Level> m_levels;
    bool m_afterKey = false;
    bool m_finished = false;
};

}  // namespace lopewell::cli
