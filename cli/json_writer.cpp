#include "cli/json_writer.h"

#include <charconv>
#include <cmath>
#include <ostream>

#include <nlohmann/json.hpp>

#include "core/base/file_url.h"

namespace lopewell::cli {

namespace {

constexpr std::size_t bufferSize = std::size_t(64) * 1024;

// Text that dump() copies as it is: printable ASCII but the quote and the backslash.
bool needsNoEscaping(std::string_view text)
{
    for (const char c : text) {
        const auto byte = static_cast<unsigned char>(c);
        if (byte < 0x20 || byte >= 0x7f || c == '"' || c == '\\')
            return false;
    }
    return true;
}

}  // namespace

JsonWriter::JsonWriter(std::ostream& out, Style style) : m_out(out), m_style(style)
{
    m_buffer.reserve(bufferSize + 1024);
}

JsonWriter::~JsonWriter()
{
    finish();
}

void JsonWriter::finish()
{
    if (m_finished)
        return;
    m_finished = true;
    m_buffer += '\n';
    m_out.write(m_buffer.data(), std::streamsize(m_buffer.size()));
    m_out.flush();
    m_buffer.clear();
}

void JsonWriter::flushIfFull()
{
    if (m_buffer.size() < bufferSize)
        return;
    m_out.write(m_buffer.data(), std::streamsize(m_buffer.size()));
    m_buffer.clear();
}

void JsonWriter::newline(std::size_t depth)
{
    if (m_style != Style::indented)
        return;
    m_buffer += '\n';
    m_buffer.append(depth * 2, ' ');
}

void JsonWriter::separate(Level& level)
{
    if (level.hasMembers)
        m_buffer += ',';
    level.hasMembers = true;
    newline(m_levels.size());
}

void JsonWriter::beforeValue()
{
    if (m_afterKey) {
        m_afterKey = false;
        return;
    }
    if (!m_levels.empty())
        separate(m_levels.back());
}

void JsonWriter::key(std::string_view name)
{
    separate(m_levels.back());
    appendString(name);
    m_buffer += m_style == Style::indented ? ": " : ":";
    m_afterKey = true;
}

void JsonWriter::beginObject()
{
    beforeValue();
    m_buffer += '{';
    m_levels.push_back({ true, false });
}

void JsonWriter::beginArray()
{
    beforeValue();
    m_buffer += '[';
    m_levels.push_back({ false, false });
}

void JsonWriter::endObject()
{
    const bool hadMembers = m_levels.back().hasMembers;
    m_levels.pop_back();
    if (hadMembers)
        newline(m_levels.size());
    m_buffer += '}';
    flushIfFull();
}

void JsonWriter::endArray()
{
    const bool hadMembers = m_levels.back().hasMembers;
    m_levels.pop_back();
    if (hadMembers)
        newline(m_levels.size());
    m_buffer += ']';
    flushIfFull();
}

void JsonWriter::string(std::string_view text)
{
    beforeValue();
    appendString(text);
    flushIfFull();
}

void JsonWriter::appendString(std::string_view text)
{
    if (needsNoEscaping(text)) {
        m_buffer += '"';
        m_buffer += text;
        m_buffer += '"';
    } else {
        // Rare (names with quotes, control characters, bytes past ASCII): dump()'s own escaping.
        m_buffer += nlohmann::json(std::string(text)).dump(-1, ' ', false, nlohmann::json::error_handler_t::replace);
    }
}

void JsonWriter::fileURL(std::string_view path)
{
    beforeValue();
    m_buffer += '"';
    appendFileURL(m_buffer, path);
    m_buffer += '"';
    flushIfFull();
}

void JsonWriter::number(std::uint64_t value)
{
    beforeValue();
    char digits[24];
    const char* end = std::to_chars(digits, digits + sizeof digits, value).ptr;
    m_buffer.append(digits, std::size_t(end - digits));
}

void JsonWriter::number(std::int64_t value)
{
    beforeValue();
    char digits[24];
    const char* end = std::to_chars(digits, digits + sizeof digits, value).ptr;
    m_buffer.append(digits, std::size_t(end - digits));
}

void JsonWriter::number(double value)
{
    beforeValue();
    if (!std::isfinite(value)) {
        m_buffer += "null";
        return;
    }
    // dump()'s own shortest form (Grisu2), so that every digit is the same.
    char digits[64];
    const char* end = nlohmann::detail::to_chars(digits, digits + sizeof digits, value);
    m_buffer.append(digits, std::size_t(end - digits));
}

void JsonWriter::boolean(bool value)
{
    beforeValue();
    m_buffer += value ? "true" : "false";
}

}  // namespace lopewell::cli
