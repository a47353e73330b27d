#include "core/plist/property_list.h"

#include <gtest/gtest.h>

#include <bit>
#include <cmath>
#include <limits>
#include <ostream>
#include <string>
#include <vector>

#include "tests/core/plist/binary_plist_builder.h"
#include "tests/support/temp_tree.h"

namespace lopewell {

// Readable failures: gtest would otherwise print the bytes of the value.
void PrintTo(const PropertyList& plist, std::ostream* out)
{
    if (const auto* entries = plist.asDictionary()) {
        *out << "{";
        for (const auto& [key, value] : *entries) {
            *out << '"' << key << "\": ";
            PrintTo(value, out);
            *out << "; ";
        }
        *out << "}";
    } else if (const auto* elements = plist.asArray()) {
        *out << "[";
        for (const auto& element : *elements) {
            PrintTo(element, out);
            *out << ", ";
        }
        *out << "]";
    } else if (const auto* text = plist.asString()) {
        *out << '"' << *text << '"';
    } else if (auto integer = plist.integerValue()) {
        *out << *integer;
    } else if (auto unsignedInteger = plist.unsignedIntegerValue()) {
        *out << *unsignedInteger << "u";
    } else if (auto real = plist.realValue()) {
        *out << *real << "r";
    } else if (auto boolean = plist.booleanValue()) {
        *out << (*boolean ? "true" : "false");
    } else if (auto date = plist.dateValue()) {
        *out << "date(" << secondsSinceReferenceDate(*date) << ")";
    } else if (const auto* data = plist.asData()) {
        *out << "data(" << data->size() << " bytes)";
    }
}

namespace {

using testing::BinaryPlistBuilder;
using Dictionary = PropertyList::Dictionary;
using Array = PropertyList::Array;

PropertyList str(std::string text)
{
    return PropertyList::fromString(std::move(text));
}
PropertyList integer(int64_t value)
{
    return PropertyList::fromInteger(value);
}
PropertyList dict(Dictionary entries)
{
    return PropertyList::fromDictionary(std::move(entries));
}
PropertyList array(Array elements)
{
    return PropertyList::fromArray(std::move(elements));
}
PropertyList date(double seconds)
{
    return PropertyList::fromDate(dateFromSecondsSinceReferenceDate(seconds));
}
PropertyList blob(std::string_view bytes)
{
    auto raw = std::as_bytes(std::span(bytes.data(), bytes.size()));
    return PropertyList::fromData(PropertyList::Data(raw.begin(), raw.end()));
}

std::string xml(std::string_view body)
{
    return "<?xml version=\"1.0\" encoding=\"UTF-8\"?>\n"
           "<!DOCTYPE plist PUBLIC \"-//Apple//DTD PLIST 1.0//EN\" \"http://www.apple.com/DTDs/PropertyList-1.0.dtd\">\n"
           "<plist version=\"1.0\">\n"
        + std::string(body) + "\n</plist>\n";
}

// One object, the top.
std::string binary(const std::string& object)
{
    BinaryPlistBuilder builder;
    builder.add(object);
    return builder.build(0);
}

struct ValidCase {
    std::string name;
    std::string bytes;
    PropertyList expected;
};

void expectParses(const std::vector<ValidCase>& cases)
{
    for (const auto& [name, bytes, expected] : cases) {
        SCOPED_TRACE(name);
        auto plist = parsePropertyList(bytes);
        ASSERT_TRUE(plist) << plist.error().message;
        EXPECT_EQ(plist.value(), expected);
    }
}

TEST(PropertyListBinary, ReadsEveryValueType)
{
    const std::string eAcute = "\xC3\xA9";
    const std::string grinning = "\xF0\x9F\x98\x80";
    const std::string replacement = "\xEF\xBF\xBD";
    expectParses({
        { "true", binary("\x09"), PropertyList::fromBoolean(true) },
        { "false", binary("\x08"), PropertyList::fromBoolean(false) },
        { "1-byte integers are unsigned", binary(testing::integerObject(1, 0xFF)), integer(255) },
        { "2-byte", binary(testing::integerObject(2, 0xFFFF)), integer(65535) },
        { "4-byte", binary(testing::integerObject(4, 0xFFFFFFFF)), integer(4294967295) },
        { "8-byte integers are signed", binary(testing::integerObject(8, uint64_t(-2))), integer(-2) },
        { "16-byte unsigned above INT64_MAX", binary(testing::integerObject(16, UINT64_MAX)),
            PropertyList::fromUnsignedInteger(UINT64_MAX) },
        { "16-byte negative", binary(testing::integerObject(16, uint64_t(INT64_MIN), UINT64_MAX)), integer(INT64_MIN) },
        { "float", binary(std::string("\x22") + testing::bigEndian(0x3FC00000, 4)), PropertyList::fromReal(1.5) },
        { "double", binary(std::string("\x23") + testing::bigEndian(std::bit_cast<uint64_t>(-0.25), 8)), PropertyList::fromReal(-0.25) },
        { "date", binary(std::string("\x33") + testing::bigEndian(std::bit_cast<uint64_t>(725'760'000.5), 8)), date(725'760'000.5) },
        { "data with a long count", binary(testing::dataObject(std::string(300, '\x7F'))), blob(std::string(300, '\x7F')) },
        { "empty data", binary(testing::dataObject("")), blob("") },
        { "ASCII", binary(testing::asciiString("iPhone 15")), str("iPhone 15") },
        { "UTF-16 with a surrogate pair", binary(testing::utf16String({ 0x00E9, 0xD83D, 0xDE00 })), str(eAcute + grinning) },
        { "a lone surrogate reads as U+FFFD", binary(testing::utf16String({ 0x0041, 0xD83D, 0x0042, 0xDE00 })),
            str("A" + replacement + "B" + replacement) },
        { "a byte above ASCII reads as U+FFFD", binary(testing::asciiString("caf\xE9")), str("caf" + replacement) },
        { "empty array", binary("\xA0"), array({}) },
        { "empty dictionary", binary("\xD0"), dict({}) },
        { "a keyed archive's UID", binary("\x81\x01\x02"), dict({ { "CF$UID", integer(258) } }) },
    });
}

TEST(PropertyListBinary, ReadsNestedContainersWithWideReferencesAndOffsets)
{
    for (auto [refSize, offsetSize] : { std::pair(1u, 1u), std::pair(2u, 3u), std::pair(8u, 8u) }) {
        SCOPED_TRACE(::testing::PrintToString(refSize) + "-byte references, " + ::testing::PrintToString(offsetSize) + "-byte offsets");
        BinaryPlistBuilder builder(refSize, offsetSize);
        const auto name = builder.add(testing::asciiString("name"));
        const auto runtime = builder.add(testing::asciiString("runtime"));
        const auto list = builder.add(testing::asciiString("list"));
        const auto iphone = builder.add(testing::asciiString("iPhone 15"));
        const auto ios = builder.add(testing::asciiString("com.apple.CoreSimulator.SimRuntime.iOS-17-2"));
        const auto seven = builder.add(testing::integerObject(1, 7));
        // The same object twice is sharing, not a cycle.
        const auto inner = builder.add(builder.array({ seven, iphone, seven }));
        const auto top = builder.add(builder.dictionary({ name, runtime, list }, { iphone, ios, inner }));

        auto plist = parsePropertyList(builder.build(top));
        ASSERT_TRUE(plist) << plist.error().message;
        EXPECT_EQ(plist.value(),
            dict({ { "name", str("iPhone 15") }, { "runtime", str("com.apple.CoreSimulator.SimRuntime.iOS-17-2") },
                { "list", array({ integer(7), str("iPhone 15"), integer(7) }) } }));
    }
}

TEST(PropertyListBinary, KeepsTheLastValueOfARepeatedKeyAtTheFirstPosition)
{
    BinaryPlistBuilder builder;
    const auto a = builder.add(testing::asciiString("a"));
    const auto b = builder.add(testing::asciiString("b"));
    const auto one = builder.add(testing::integerObject(1, 1));
    const auto two = builder.add(testing::integerObject(1, 2));
    const auto three = builder.add(testing::integerObject(1, 3));
    const auto top = builder.add(builder.dictionary({ a, b, a }, { one, two, three }));

    auto plist = parsePropertyList(builder.build(top));
    ASSERT_TRUE(plist) << plist.error().message;
    EXPECT_EQ(plist.value(), dict({ { "a", integer(3) }, { "b", integer(2) } }));
}

struct MalformedCase {
    std::string name;
    std::string bytes;
    std::string expectedMessagePart;
};

void expectRejects(const std::vector<MalformedCase>& cases)
{
    for (const auto& [name, bytes, part] : cases) {
        SCOPED_TRACE(name);
        auto plist = parsePropertyList(bytes);
        ASSERT_FALSE(plist);
        EXPECT_NE(plist.error().message.find(part), std::string::npos) << plist.error().message;
    }
}

std::string chainOfArrays(size_t levels)
{
    BinaryPlistBuilder builder(2, 4);
    builder.add("\xA0");
    for (uint64_t i = 1; i < levels; ++i)
        builder.add(builder.array({ i - 1 }));
    return builder.build(levels - 1);
}

// Two chains of 300 arrays, the second ending in the first: the second route reaches objects
// already seen through the first, and only then goes too deep.
std::string chainThroughASharedChain()
{
    BinaryPlistBuilder builder(2, 4);
    builder.add("\xA0");
    for (uint64_t i = 1; i < 300; ++i)
        builder.add(builder.array({ i - 1 }));
    builder.add(builder.array({ 299 }));
    for (uint64_t i = 301; i < 600; ++i)
        builder.add(builder.array({ i - 1 }));
    builder.add(builder.array({ 299, 599 }));
    return builder.build(600);
}

TEST(PropertyListBinary, RejectsMalformedFiles)
{
    BinaryPlistBuilder pair;
    const auto key = pair.add(testing::asciiString("k"));
    const auto value = pair.add(testing::integerObject(1, 1));
    pair.add(pair.dictionary({ key }, { value }));
    const std::string valid = pair.build(2);
    ASSERT_TRUE(parsePropertyList(valid));
    ASSERT_TRUE(parsePropertyList(chainOfArrays(500)));

    BinaryPlistBuilder selfContaining;
    selfContaining.add(selfContaining.array({ 0 }));
    BinaryPlistBuilder indirectCycle;
    const auto k = indirectCycle.add(testing::asciiString("k"));
    indirectCycle.add(indirectCycle.dictionary({ k }, { 2 }));
    indirectCycle.add(indirectCycle.array({ 1 }));
    BinaryPlistBuilder integerKey;
    const auto number = integerKey.add(testing::integerObject(1, 1));
    integerKey.add(integerKey.dictionary({ number }, { number }));
    BinaryPlistBuilder danglingRef;
    danglingRef.add(danglingRef.array({ 5 }));

    using namespace testing;
    expectRejects({
        { "shorter than a trailer", valid.substr(0, 30), "too short" },
        { "trailer cut off", valid.substr(0, valid.size() - 5), "" },
        { "offset size zero", withTrailerField(valid, trailerOffsetSize, 0, 1), "offsets of 0 bytes" },
        { "reference size nine", withTrailerField(valid, trailerRefSize, 9, 1), "references of 9 bytes" },
        { "no objects", withTrailerField(valid, trailerObjectCount, 0), "no objects" },
        { "top object past the table", withTrailerField(valid, trailerTopObject, 3), "top object" },
        { "offset table past the end", withTrailerField(valid, trailerOffsetTable, valid.size()), "outside the file" },
        { "offset table at 2^64 - 1", withTrailerField(valid, trailerOffsetTable, UINT64_MAX), "outside the file" },
        { "more objects than values allowed",
            [] {
                // Every offset-table entry names the one object at offset 8.
                std::string many = "bplist00\x09" + std::string(propertyListMaxValues + 1, '\x08') + std::string(6, '\0') + "\x01\x01";
                return many + bigEndian(propertyListMaxValues + 1, 8) + bigEndian(0, 8) + bigEndian(9, 8);
            }(),
            "expands to more than" },
        { "object count overflowing the table size", withTrailerField(valid, trailerObjectCount, UINT64_MAX / 2 + 2), "does not fit" },
        { "object offset outside the file",
            [&] {
                std::string bytes = valid;
                bytes[bytes.size() - 32 - 1] = char(0xF0);
                return bytes;
            }(),
            "outside the object area" },
        { "object offset inside the header",
            [&] {
                std::string bytes = valid;
                bytes[bytes.size() - 32 - 1] = 2;
                return bytes;
            }(),
            "outside the object area" },
        { "reference past the objects", danglingRef.build(0), "reference to object 5" },
        { "array containing itself", selfContaining.build(0), "contains itself" },
        { "cycle through a dictionary", indirectCycle.build(1), "contains itself" },
        { "nested too deeply", chainOfArrays(600), "deeper than 512" },
        { "nested too deeply through a shared object", chainThroughASharedChain(), "deeper than 512" },
        { "reference count overflowing count x size", binary("\xAF\x13" + bigEndian(UINT64_MAX / 4 + 1, 8) + "\x00\x00"), "runs past" },
        { "dictionary count overflowing 2 x count x size", binary("\xDF\x13" + bigEndian(UINT64_MAX / 2 + 1, 8) + "\x00\x00"),
            "runs past" },
        { "string count past the end",
            binary("\x5F\x10\xFF"
                   "abc"),
            "runs past" },
        { "UTF-16 count overflowing 2 x count", binary("\x6F\x13" + bigEndian(UINT64_MAX / 2 + 1, 8) + "ab"), "runs past" },
        { "count that is not an integer",
            binary("\x5F\x22"
                   "abcd"),
            "not an integer" },
        { "integer wider than 64 bits", binary(integerObject(16, 0, 1)), "wider than 64 bits" },
        { "integer of 32 bytes", binary("\x15"), "32 bytes" },
        { "date that is not a number", binary("\x33" + bigEndian(0x7FF8000000000000, 8)), "not a number" },
        { "set", binary("\xC0"), "unknown object type 0xc0" },
        { "null", binary(std::string(1, '\0')), "unknown object type 0x00" },
        { "key that is not a string", integerKey.build(1), "key is not a string" },
        { "newer format version", "bplist15" + valid.substr(8), "Unsupported binary property list version" },
    });
}

// One object referenced many times from many places: a small file whose tree would be huge.
TEST(PropertyListBinary, RefusesAFileThatExpandsBeyondTheLimits)
{
    BinaryPlistBuilder builder(1, 2);
    builder.add(testing::asciiString("x"));
    for (uint64_t level = 1; level <= 12; ++level)
        builder.add(builder.array(std::vector<uint64_t>(16, level - 1)));  // 16^12 leaves
    auto plist = parsePropertyList(builder.build(12));
    ASSERT_FALSE(plist);
    EXPECT_NE(plist.error().message.find("expands to more than"), std::string::npos) << plist.error().message;

    BinaryPlistBuilder bytes(1, 4);
    bytes.add(testing::dataObject(std::string(1 << 20, 'd')));
    bytes.add(bytes.array(std::vector<uint64_t>(100, 0)));  // 100 MiB of data from a 1 MiB file
    plist = parsePropertyList(bytes.build(1));
    ASSERT_FALSE(plist);
    EXPECT_NE(plist.error().message.find("bytes of text and data"), std::string::npos) << plist.error().message;
}

TEST(PropertyListXml, ReadsEveryValueType)
{
    expectParses({
        { "device.plist",
            xml("<dict>\n\t<key>name</key>\n\t<string>iPhone "
                "15</string>\n\t<key>runtime</key>\n\t<string>com.apple.CoreSimulator.SimRuntime.iOS-17-2</string>\n</dict>"),
            dict({ { "name", str("iPhone 15") }, { "runtime", str("com.apple.CoreSimulator.SimRuntime.iOS-17-2") } }) },
        { "launchd job",
            xml("<dict><key>Label</key><string>com.example.agent</string><key>ProgramArguments</key><array><string>/usr/bin/true</"
                "string><string>-v</string></array>"
                "<key>RunAtLoad</key><true/><key>KeepAlive</key><dict><key>SuccessfulExit</key><false/></dict></dict>"),
            dict({ { "Label", str("com.example.agent") }, { "ProgramArguments", array({ str("/usr/bin/true"), str("-v") }) },
                { "RunAtLoad", PropertyList::fromBoolean(true) },
                { "KeepAlive", dict({ { "SuccessfulExit", PropertyList::fromBoolean(false) } }) } }) },
        { "escapes and CDATA", xml("<string>&lt;a&gt; &amp; &#233;&#x1F600; <![CDATA[<b>&amp;]]></string>"),
            str("<a> & \xC3\xA9\xF0\x9F\x98\x80 <b>&amp;") },
        { "whitespace-only string", xml("<string>  \t </string>"), str("  \t ") },
        { "empty string", xml("<string/>"), str("") },
        { "comments between values", xml("<array><!-- a --><integer>1</integer><!-- b --></array>"), array({ integer(1) }) },
        { "integers",
            xml("<array><integer> 42 "
                "</integer><integer>-9223372036854775808</integer><integer>0x7f</integer><integer>+5</"
                "integer><integer>18446744073709551615</integer></array>"),
            array({ integer(42), integer(INT64_MIN), integer(127), integer(5), PropertyList::fromUnsignedInteger(UINT64_MAX) }) },
        { "reals", xml("<array><real>1.5</real><real>-2e3</real><real>+0.25</real><real>7</real></array>"),
            array(
                { PropertyList::fromReal(1.5), PropertyList::fromReal(-2000), PropertyList::fromReal(0.25), PropertyList::fromReal(7) }) },
        { "infinities", xml("<array><real>+infinity</real><real>-inf</real></array>"),
            array({ PropertyList::fromReal(std::numeric_limits<double>::infinity()),
                PropertyList::fromReal(-std::numeric_limits<double>::infinity()) }) },
        { "dates",
            xml("<array><date>2001-01-01T00:00:00Z</date><date>2024-02-29T23:59:59Z</date><date>1970-01-01T00:00:00Z</"
                "date><date>2001-01-01T00:00:00.25Z</date></array>"),
            array({ date(0), date(730'943'999), date(-978'307'200), date(0.25) }) },
        { "a distant-future date saturates", xml("<date>4001-01-01T00:00:00Z</date>"), PropertyList::fromDate(Date::max()) },
        { "base64 with whitespace and padding", xml("<data>\n\tSGVs\n\tbG8=\n</data>"), blob("Hello") },
        { "base64 without padding", xml("<data>SGk</data>"), blob("Hi") },
        { "empty data", xml("<data></data>"), blob("") },
        { "repeated key",
            xml("<dict><key>a</key><integer>1</integer><key>b</key><integer>2</integer><key>a</key><integer>3</integer></dict>"),
            dict({ { "a", integer(3) }, { "b", integer(2) } }) },
        { "invalid UTF-8 reads as U+FFFD", xml("<string>caf\xE9!</string>"), str("caf\xEF\xBF\xBD!") },
        { "UTF-8 byte-order mark, no declaration", "\xEF\xBB\xBF<plist><true/></plist>", PropertyList::fromBoolean(true) },
        { "UTF-16 document",
            [] {
                std::string utf16 = "\xFF\xFE";
                for (char c : std::string("<plist><string>ok</string></plist>"))
                    utf16 += std::string { c, '\0' };
                return utf16;
            }(),
            str("ok") },
        { "every predefined entity and both kinds of character reference",
            xml("<dict version=\"&quot;1&amp;2&quot;\"><key>&apos;&#x41;&#x4a;&#x4A;&#65;&#9;&#13;&#x10FFFF;&#xFFFD;</key><true/></dict>"),
            dict({ { "'AJJA\t\r\xF4\x8F\xBF\xBF\xEF\xBF\xBD", PropertyList::fromBoolean(true) } }) },
        { "an ampersand in CDATA is no reference", xml("<string><![CDATA[&amp &foo; & ]]></string>"), str("&amp &foo; & ") },
        { "a reference to white space between values", xml("<array>&#32;&#x0A;<true/></array>"),
            array({ PropertyList::fromBoolean(true) }) },
    });
}

TEST(PropertyListXml, NeverReadsExternalEntities)
{
    lopewell::testing::TempDir folder;
    lopewell::testing::writeFile(folder / "secret", "SECRET");
    const std::string document = "<?xml version=\"1.0\"?>\n<!DOCTYPE plist [ <!ENTITY xxe SYSTEM \"file://" + (folder / "secret").string()
        + "\"> <!ENTITY big \"aaaaaaaa\"> ]>\n"
          "<plist><array><string>&xxe;</string><string>&big;&big;</string></array></plist>";
    // pugixml never expands them; left unexpanded they are references to undeclared entities.
    auto plist = parsePropertyList(document);
    ASSERT_FALSE(plist);
    EXPECT_NE(plist.error().message.find("\"&xxe;\" is not a well-formed"), std::string::npos) << plist.error().message;
    EXPECT_EQ(plist.error().message.find("SECRET"), std::string::npos) << plist.error().message;
}

std::string nestedArrays(size_t levels)
{
    std::string body;
    for (size_t i = 0; i < levels; ++i)
        body += "<array>";
    for (size_t i = 0; i < levels; ++i)
        body += "</array>";
    return xml(body);
}

TEST(PropertyListXml, RejectsMalformedDocuments)
{
    ASSERT_TRUE(parsePropertyList(nestedArrays(400)));
    expectRejects({
        { "empty input", "", "empty" },
        { "plain text", "name = iPhone", "Not a property list" },
        { "wrong root", "<?xml version=\"1.0\"?><html><body/></html>", "top element is not <plist>" },
        { "JSON", "{\"name\": \"iPhone\"}", "Not a property list" },
        { "unclosed element", xml("<dict><key>a</key><string>b</dict>"), "Malformed XML" },
        { "truncated", xml("<dict><key>a</key><string>b</string></dict>").substr(0, 150), "Malformed XML" },
        { "empty plist", "<plist></plist>", "holds no value" },
        { "two values", xml("<true/><false/>"), "more than one value" },
        { "two top-level elements", "<plist><true/></plist><plist><true/></plist>", "more than one top-level element" },
        { "text after the plist", "<plist><true/></plist>trailing", "text outside <plist>" },
        { "key without a value", xml("<dict><key>a</key></dict>"), "has no value" },
        { "value without a key", xml("<dict><string>a</string></dict>"), "where a <key> belongs" },
        { "key outside a dictionary", xml("<array><key>a</key></array>"), "outside a dictionary" },
        { "text inside a dictionary", xml("<dict>stray<key>a</key><true/></dict>"), "text inside <dict>" },
        { "unknown element", xml("<set/>"), "unknown element <set>" },
        { "element inside a string", xml("<string>a<b/>c</string>"), "holds an element" },
        { "integer overflow", xml("<integer>18446744073709551616</integer>"), "not a 64-bit integer" },
        { "negative overflow", xml("<integer>-9223372036854775809</integer>"), "not a 64-bit integer" },
        { "empty integer", xml("<integer></integer>"), "not a 64-bit integer" },
        { "octal-looking garbage", xml("<integer>12abc</integer>"), "not a 64-bit integer" },
        { "real out of range", xml("<real>1e999</real>"), "not a number" },
        { "real with text", xml("<real>1.5 apples</real>"), "not a number" },
        { "30 February", xml("<date>2023-02-30T00:00:00Z</date>"), "not a date" },
        { "date without Z", xml("<date>2023-01-30T00:00:00</date>"), "not a date" },
        { "date with an offset", xml("<date>2023-01-30T00:00:00+01:00</date>"), "not a date" },
        { "hour 24", xml("<date>2023-01-30T24:00:00Z</date>"), "not a date" },
        { "base64 with a stray character", xml("<data>SGVs*bG8=</data>"), "not base64" },
        { "base64 with data after padding", xml("<data>SGk=SGk=</data>"), "not base64" },
        { "base64 of one symbol too many", xml("<data>SGVsb</data>"), "not base64" },
        { "content in <true/>", xml("<true>yes</true>"), "is not empty" },
        { "reference to character zero", xml("<string>/bin/evil&#0;.app</string>"), "character zero" },
    });
}

TEST(PropertyListXml, RefusesMalformedReferences)
{
    // A malformed reference is not well-formed XML; left as text it would smuggle a different
    // key or value past whatever reads the file more strictly.
    expectRejects({
        { "an entity without its semicolon (libplist's amp.plist)", xml("<dict><key>test&amp</key><string>x</string></dict>"),
            "\"&amp\" is not a well-formed" },
        { "an undeclared entity", xml("<string>&unknown;</string>"), "\"&unknown;\" is not a well-formed" },
        { "a bare ampersand", xml("<string>salt & pepper</string>"), "\"& pepper\" is not a well-formed" },
        { "a reference to a surrogate", xml("<string>&#xD800;</string>"), "\"&#xD800;\" is not a well-formed" },
        { "a reference past U+10FFFF", xml("<string>&#x110000;</string>"), "\"&#x110000;\" is not a well-formed" },
        { "a huge decimal reference", xml("<string>&#99999999999999999999;</string>"), "is not a well-formed" },
        { "a reference to a control character", xml("<string>&#1;</string>"), "\"&#1;\" is not a well-formed" },
        { "a reference to U+FFFE", xml("<string>&#xFFFE;</string>"), "is not a well-formed" },
        { "an upper-case hex marker", xml("<string>&#X41;</string>"), "\"&#X41;\" is not a well-formed" },
        { "hex digits in a decimal reference", xml("<string>&#4a;</string>"), "is not a well-formed" },
        { "an empty reference", xml("<string>&#;</string>"), "is not a well-formed" },
        { "a malformed entity in an attribute", "<plist version=\"1&amp\"><true/></plist>", "\"&amp\" is not a well-formed" },
        { "a malformed entity in text between values", xml("<array>&nbsp;<true/></array>"), "\"&nbsp;\" is not a well-formed" },
        { "nested too deeply", nestedArrays(600), "deeper than 512" },
    });
}

TEST(PropertyList, AnswersTypedLookupsOnlyForTheRightType)
{
    const PropertyList plist = dict({
        { "name", str("iPhone 15") },
        { "count", integer(3) },
        { "big", PropertyList::fromUnsignedInteger(uint64_t(INT64_MAX) + 1) },
        { "RunAtLoad", PropertyList::fromBoolean(true) },
        { "ProgramArguments", array({ str("/bin/tool") }) },
        { "KeepAlive", dict({ { "SuccessfulExit", PropertyList::fromBoolean(false) } }) },
    });
    EXPECT_EQ(plist.stringForKey("name"), "iPhone 15");
    EXPECT_EQ(plist.stringForKey("count"), std::nullopt);
    EXPECT_EQ(plist.stringForKey("missing"), std::nullopt);
    EXPECT_EQ(plist.integerForKey("count"), 3);
    EXPECT_EQ(plist.integerForKey("big"), std::nullopt);
    EXPECT_EQ(plist.valueForKey("big")->unsignedIntegerValue(), uint64_t(INT64_MAX) + 1);
    EXPECT_EQ(integer(-1).unsignedIntegerValue(), std::nullopt);
    EXPECT_EQ(plist.booleanForKey("RunAtLoad"), true);
    EXPECT_EQ(plist.booleanForKey("KeepAlive"), std::nullopt);
    ASSERT_NE(plist.arrayForKey("ProgramArguments"), nullptr);
    EXPECT_EQ(plist.arrayForKey("ProgramArguments")->at(0).asString() ? *plist.arrayForKey("ProgramArguments")->at(0).asString() : "",
        "/bin/tool");
    ASSERT_NE(plist.dictionaryForKey("KeepAlive"), nullptr);
    EXPECT_EQ(plist.dictionaryForKey("KeepAlive")->booleanForKey("SuccessfulExit"), false);
    EXPECT_EQ(plist.dictionaryForKey("name"), nullptr);

    // Lookups on what is not a dictionary answer nothing.
    EXPECT_EQ(str("name").stringForKey("name"), std::nullopt);
    EXPECT_EQ(array({}).valueForKey("name"), nullptr);
    EXPECT_EQ(str("x").type(), PropertyList::Type::string);
    EXPECT_EQ(PropertyList().type(), PropertyList::Type::dictionary);
}

}  // namespace
}  // namespace lopewell
