// The XML form, through pugixml. pugixml never reads a DTD, so a document cannot pull in
// external entities or expand entity definitions. References are decoded here rather than by
// pugixml, which keeps a malformed one ("&amp" without its ";", "&foo;") as literal text:
// a document with one is not well-formed and is refused.
#include <charconv>
#include <cstring>
#include <optional>
#include <utility>

#include <pugixml.hpp>

#include "core/base/text.h"
#include "core/base/utf8.h"
#include "core/plist/property_list_parsing.h"

namespace lopewell::property_list {

namespace {

Error malformed(std::string what)
{
    return Error { 0, "Malformed XML property list: " + std::move(what) };
}

// XML's Char production: what a character reference may stand for.
bool isXmlCharacter(char32_t c)
{
    return c == 0x9 || c == 0xA || c == 0xD || (c >= 0x20 && c <= 0xD7FF) || (c >= 0xE000 && c <= 0xFFFD)
        || (c >= 0x10000 && c <= 0x10FFFF);
}

// The character `reference` ("amp", "#233", "#x1F600": what lies between '&' and ';') stands
// for, or nothing when it is not one of XML's five entities or a reference to a character.
std::optional<char32_t> referencedCharacter(std::string_view reference)
{
    constexpr std::pair<std::string_view, char32_t> xmlEntities[]
        = { { "amp", '&' }, { "lt", '<' }, { "gt", '>' }, { "apos", '\'' }, { "quot", '"' } };
    for (const auto& [name, c] : xmlEntities) {
        if (reference == name)
            return c;
    }
    if (!reference.starts_with('#'))
        return std::nullopt;
    reference.remove_prefix(1);
    const bool hex = reference.starts_with('x');  // only lower case, as XML has it
    if (hex)
        reference.remove_prefix(1);
    if (reference.empty())
        return std::nullopt;
    char32_t value = 0;
    for (char c : reference) {
        int digit = -1;
        if (c >= '0' && c <= '9')
            digit = c - '0';
        else if (hex && c >= 'a' && c <= 'f')
            digit = c - 'a' + 10;
        else if (hex && c >= 'A' && c <= 'F')
            digit = c - 'A' + 10;
        if (digit < 0)
            return std::nullopt;
        value = value * (hex ? 16 : 10) + char32_t(digit);
        if (value > 0x10FFFF)
            return std::nullopt;
    }
    return isXmlCharacter(value) ? std::optional(value) : std::nullopt;
}

// Decodes the references of raw character data into `out` (when given). Answers where the
// first malformed reference starts, or nothing when all are well-formed.
std::optional<size_t> decodeReferences(std::string_view raw, std::string* out)
{
    for (size_t at = 0;;) {
        const size_t ampersand = raw.find('&', at);
        if (out)
            out->append(raw.substr(at, ampersand - at));
        if (ampersand == std::string_view::npos)
            return std::nullopt;
        const size_t semicolon = raw.find(';', ampersand + 1);
        if (semicolon == std::string_view::npos)
            return ampersand;
        const std::optional<char32_t> c = referencedCharacter(raw.substr(ampersand + 1, semicolon - ampersand - 1));
        if (!c)
            return ampersand;
        if (out)
            utf8::append(*out, *c);
        at = semicolon + 1;
    }
}

// Character data as the document means it: references decoded in text, CDATA as it is.
std::string characterData(const pugi::xml_node& node)
{
    if (node.type() != pugi::node_pcdata)
        return node.value();
    std::string text;
    decodeReferences(node.value(), &text);
    return text;
}

bool isBlank(const pugi::xml_node& node)
{
    return trimmed(characterData(node), xmlSpace).empty();
}

// Every reference in text and attribute values must be well-formed. Checked over the whole
// document up front, so a bad one anywhere is reported as what it is.
class ReferenceChecker final : public pugi::xml_tree_walker {
public:
    bool for_each(pugi::xml_node& node) override
    {
        if (node.type() == pugi::node_pcdata)
            return check(node.value());
        for (const pugi::xml_attribute& attribute : node.attributes()) {
            if (!check(attribute.value()))
                return false;
        }
        return true;
    }

    std::optional<std::string> problem;

private:
    bool check(std::string_view raw)
    {
        const std::optional<size_t> at = decodeReferences(raw, nullptr);
        if (!at)
            return true;
        std::string_view reference = raw.substr(*at, 16);
        reference = reference.substr(0, reference.find(';') == std::string_view::npos ? reference.size() : reference.find(';') + 1);
        problem = "\"" + utf8::withReplacements(reference) + "\" is not a well-formed entity or character reference";
        return false;
    }
};

// pugixml's strings end at the first NUL, so a reference to character zero would silently cut
// a string short. XML forbids that character anyway.
bool referencesCharacterZero(std::string_view bytes)
{
    for (size_t at = bytes.find("&#"); at != std::string_view::npos; at = bytes.find("&#", at + 2)) {
        size_t i = at + 2;
        if (i < bytes.size() && (bytes[i] == 'x' || bytes[i] == 'X'))
            ++i;
        const size_t digits = i;
        while (i < bytes.size() && bytes[i] == '0')
            ++i;
        if (i > digits && i < bytes.size() && bytes[i] == ';')
            return true;
    }
    return false;
}

std::optional<PropertyList> parseInteger(std::string_view text)
{
    text = trimmed(text, xmlSpace);
    bool negative = false;
    if (!text.empty() && (text[0] == '-' || text[0] == '+')) {
        negative = text[0] == '-';
        text.remove_prefix(1);
    }
    int base = 10;
    if (text.size() > 2 && text[0] == '0' && (text[1] == 'x' || text[1] == 'X')) {
        base = 16;
        text.remove_prefix(2);
    }
    uint64_t magnitude = 0;
    auto [end, error] = std::from_chars(text.data(), text.data() + text.size(), magnitude, base);
    if (text.empty() || error != std::errc() || end != text.data() + text.size())
        return std::nullopt;
    if (!negative)
        return PropertyList::fromUnsignedInteger(magnitude);
    if (magnitude > uint64_t(INT64_MAX) + 1)
        return std::nullopt;
    return PropertyList::fromInteger(magnitude == uint64_t(INT64_MAX) + 1 ? INT64_MIN : -int64_t(magnitude));
}

std::optional<double> parseReal(std::string_view text)
{
    text = trimmed(text, xmlSpace);
    if (text.starts_with('+') && !text.starts_with("+-"))
        text.remove_prefix(1);
    double value = 0;
    auto [end, error] = std::from_chars(text.data(), text.data() + text.size(), value);
    // A value beyond a double's range is refused, not rounded to an infinity or zero.
    if (text.empty() || error != std::errc() || end != text.data() + text.size())
        return std::nullopt;
    return value;
}

int64_t daysFromCivil(int64_t year, unsigned month, unsigned day)
{
    // Howard Hinnant's days_from_civil: days since 1970-01-01 in the proleptic Gregorian calendar.
    year -= month <= 2;
    const int64_t era = (year >= 0 ? year : year - 399) / 400;
    const unsigned yearOfEra = unsigned(year - era * 400);
    const unsigned dayOfYear = (153 * (month > 2 ? month - 3 : month + 9) + 2) / 5 + day - 1;
    const unsigned dayOfEra = yearOfEra * 365 + yearOfEra / 4 - yearOfEra / 100 + dayOfYear;
    return era * 146097 + int64_t(dayOfEra) - 719468;
}

// "2024-02-29T12:00:00Z", optionally with a fraction of a second before the Z.
std::optional<Date> parseDate(std::string_view text)
{
    text = trimmed(text, xmlSpace);
    auto number = [&](size_t at, size_t length) -> std::optional<unsigned> {
        if (at + length > text.size())
            return std::nullopt;
        unsigned value = 0;
        for (size_t i = at; i < at + length; ++i) {
            if (text[i] < '0' || text[i] > '9')
                return std::nullopt;
            value = value * 10 + unsigned(text[i] - '0');
        }
        return value;
    };
    auto separator = [&](size_t at, char c) { return at < text.size() && text[at] == c; };
    auto year = number(0, 4), month = number(5, 2), day = number(8, 2);
    auto hour = number(11, 2), minute = number(14, 2), second = number(17, 2);
    if (!year || !month || !day || !hour || !minute || !second || !separator(4, '-') || !separator(7, '-') || !separator(10, 'T')
        || !separator(13, ':') || !separator(16, ':'))
        return std::nullopt;

    double fraction = 0;
    size_t at = 19;
    if (separator(at, '.')) {
        double scale = 0.1;
        for (++at; at < text.size() && text[at] >= '0' && text[at] <= '9'; ++at, scale /= 10)
            fraction += scale * (text[at] - '0');
    }
    if (at + 1 != text.size() || text[at] != 'Z')
        return std::nullopt;

    const bool leap = (*year % 4 == 0 && *year % 100 != 0) || *year % 400 == 0;
    constexpr unsigned daysInMonth[] = { 31, 28, 31, 30, 31, 30, 31, 31, 30, 31, 30, 31 };
    if (*month < 1 || *month > 12 || *day < 1 || *day > daysInMonth[*month - 1] + (leap && *month == 2 ? 1 : 0) || *hour > 23
        || *minute > 59 || *second > 59)
        return std::nullopt;

    const int64_t days = daysFromCivil(*year, *month, *day) - daysFromCivil(2001, 1, 1);
    const int64_t seconds = days * 86400 + int64_t(*hour) * 3600 + int64_t(*minute) * 60 + *second;
    return dateFromSecondsSinceReferenceDate(double(seconds) + fraction);
}

// Base64 with any XML whitespace between the symbols; padding optional.
std::optional<PropertyList::Data> parseBase64(std::string_view text)
{
    PropertyList::Data bytes;
    bytes.reserve(text.size() / 4 * 3 + 3);
    uint32_t bits = 0;
    size_t symbols = 0;
    size_t padding = 0;
    for (char c : text) {
        if (xmlSpace.find(c) != std::string_view::npos)
            continue;
        if (c == '=') {
            ++padding;
            continue;
        }
        unsigned value;
        if (c >= 'A' && c <= 'Z')
            value = unsigned(c - 'A');
        else if (c >= 'a' && c <= 'z')
            value = unsigned(c - 'a') + 26;
        else if (c >= '0' && c <= '9')
            value = unsigned(c - '0') + 52;
        else if (c == '+')
            value = 62;
        else if (c == '/')
            value = 63;
        else
            return std::nullopt;
        if (padding > 0)
            return std::nullopt;  // symbols after the padding
        bits = (bits << 6) | value;
        if (++symbols % 4 == 0) {
            bytes.push_back(std::byte(bits >> 16));
            bytes.push_back(std::byte(bits >> 8));
            bytes.push_back(std::byte(bits));
            bits = 0;
        }
    }
    const size_t tail = symbols % 4;
    if (tail == 1 || padding > 2 || (padding > 0 && (tail + padding) % 4 != 0))
        return std::nullopt;
    if (tail == 2) {
        bytes.push_back(std::byte(bits >> 4));
    } else if (tail == 3) {
        bytes.push_back(std::byte(bits >> 10));
        bytes.push_back(std::byte(bits >> 2));
    }
    return bytes;
}

class XmlReader {
public:
    ErrorOr<PropertyList> read(const pugi::xml_node& document)
    {
        pugi::xml_node root;
        bool strayText = false;
        for (const pugi::xml_node& node : document.children()) {
            if (node.type() == pugi::node_element) {
                if (root)
                    return malformed("more than one top-level element");
                root = node;
            } else if (!isBlank(node)) {
                strayText = true;
            }
        }
        if (!root)
            return Error { 0, "Not a property list: neither XML nor binary" };
        if (std::strcmp(root.name(), "plist") != 0)
            return Error { 0, "Not a property list: the XML document's top element is not <plist>" };
        if (strayText)
            return malformed("text outside <plist>");

        pugi::xml_node value;
        for (const pugi::xml_node& node : root.children()) {
            if (node.type() == pugi::node_element) {
                if (value)
                    return malformed("<plist> holds more than one value");
                value = node;
            } else if (!isBlank(node)) {
                return malformed("text directly inside <plist>");
            }
        }
        if (!value)
            return malformed("<plist> holds no value");
        return readValue(value, 0);
    }

private:
    ErrorOr<PropertyList> readValue(const pugi::xml_node& node, int depth)
    {
        if (depth > propertyListMaxDepth)
            return malformed("nested deeper than " + std::to_string(propertyListMaxDepth) + " levels");
        if (!m_budget.spendValue())
            return malformed("more than " + std::to_string(propertyListMaxValues) + " values");
        const std::string_view name = node.name();

        if (name == "dict")
            return readDictionary(node, depth);
        if (name == "array") {
            PropertyList::Array elements;
            for (const pugi::xml_node& child : node.children()) {
                if (child.type() != pugi::node_element) {
                    if (isBlank(child))
                        continue;
                    return malformed("text inside <array>");
                }
                auto element = readValue(child, depth + 1);
                if (!element)
                    return element.error();
                elements.push_back(std::move(element.value()));
            }
            return PropertyList::fromArray(std::move(elements));
        }

        auto text = textOf(node);
        if (!text)
            return text.error();
        if (name == "string")
            return PropertyList::fromString(std::move(text.value()));
        if (name == "integer") {
            if (auto integer = parseInteger(text.value()))
                return *integer;
            return malformed("<integer> \"" + text.value() + "\" is not a 64-bit integer");
        }
        if (name == "real") {
            if (auto real = parseReal(text.value()))
                return PropertyList::fromReal(*real);
            return malformed("<real> \"" + text.value() + "\" is not a number");
        }
        if (name == "true" || name == "false") {
            if (!trimmed(text.value(), xmlSpace).empty())
                return malformed("<" + std::string(name) + "> is not empty");
            return PropertyList::fromBoolean(name == "true");
        }
        if (name == "date") {
            if (auto date = parseDate(text.value()))
                return PropertyList::fromDate(*date);
            return malformed("<date> \"" + text.value() + "\" is not a date of the form 2001-01-01T00:00:00Z");
        }
        if (name == "data") {
            if (auto bytes = parseBase64(text.value()))
                return PropertyList::fromData(std::move(*bytes));
            return malformed("<data> is not base64");
        }
        if (name == "key")
            return malformed("<key> outside a dictionary");
        return malformed("unknown element <" + utf8::withReplacements(name) + ">");
    }

    ErrorOr<PropertyList> readDictionary(const pugi::xml_node& node, int depth)
    {
        PropertyList::Dictionary entries;
        std::optional<std::string> key;
        for (const pugi::xml_node& child : node.children()) {
            if (child.type() != pugi::node_element) {
                if (isBlank(child))
                    continue;
                return malformed("text inside <dict>");
            }
            if (!key) {
                if (std::strcmp(child.name(), "key") != 0)
                    return malformed("<dict> holds <" + utf8::withReplacements(child.name()) + "> where a <key> belongs");
                auto text = textOf(child);
                if (!text)
                    return text.error();
                key = std::move(text.value());
                continue;
            }
            auto value = readValue(child, depth + 1);
            if (!value)
                return value.error();
            entries.emplace_back(std::move(*key), std::move(value.value()));
            key.reset();
        }
        if (key)
            return malformed("<key> \"" + *key + "\" has no value");
        return PropertyList::fromDictionary(std::move(entries));
    }

    // The character data of a leaf element, as UTF-8.
    ErrorOr<std::string> textOf(const pugi::xml_node& node)
    {
        std::string text;
        for (const pugi::xml_node& child : node.children()) {
            if (child.type() != pugi::node_pcdata && child.type() != pugi::node_cdata)
                return malformed("<" + utf8::withReplacements(node.name()) + "> holds an element");
            text += characterData(child);
        }
        if (!m_budget.spendBytes(text.size()))
            return malformed("more than " + std::to_string(propertyListMaxPayloadBytes) + " bytes of text and data");
        return utf8::withReplacements(text);
    }

    Budget m_budget;
};

}  // namespace

ErrorOr<PropertyList> parseXml(std::string_view bytes)
{
    if (referencesCharacterZero(bytes))
        return malformed("a reference to character zero");
    pugi::xml_document document;
    // Whitespace-only text is kept where it is an element's only content: <string> </string>.
    // References are left for characterData() to decode.
    const unsigned options = (pugi::parse_default & ~pugi::parse_escapes) | pugi::parse_ws_pcdata_single | pugi::parse_fragment;
    const pugi::xml_parse_result parsed = document.load_buffer(bytes.data(), bytes.size(), options, pugi::encoding_auto);
    if (!parsed) {
        if (bytes.find('<') == std::string_view::npos)
            return Error { 0, "Not a property list: neither XML nor binary" };
        return malformed(std::string(parsed.description()) + " at byte " + std::to_string(parsed.offset));
    }
    ReferenceChecker references;
    document.traverse(references);
    if (references.problem)
        return malformed(*references.problem);
    return XmlReader().read(document);
}

}  // namespace lopewell::property_list
