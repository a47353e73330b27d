// libplist as the oracle: trees of random values written by libplist in both forms must read
// back the same through our reader as through libplist's own.
#include "core/plist/property_list.h"

#include <gtest/gtest.h>
#include <plist/plist.h>

#include <bit>
#include <cmath>
#include <cstdlib>
#include <cstring>
#include <limits>
#include <memory>
#include <random>
#include <set>
#include <string>

namespace lopewell {
namespace {

struct PlistDeleter {
    void operator()(void* node) const { plist_free(static_cast<plist_t>(node)); }
};
using OwnedPlist = std::unique_ptr<void, PlistDeleter>;

// Random values from libplist's own constructors, biased towards the edges of each encoding:
// count nibble vs extended count, 1/2/4/8-byte integers, surrogate pairs, XML's special characters.
class TreeGenerator {
public:
    explicit TreeGenerator(uint32_t seed) : m_random(seed) {}

    plist_t value(int depth)
    {
        switch (pick(depth < 5 ? 10 : 8)) {
        case 0:
            return plist_new_string(text().c_str());
        case 1:
            return plist_new_uint(integer());
        case 2:
            return plist_new_real(real());
        case 3:
            return plist_new_bool(uint8_t(pick(2)));
        case 4:
            return plist_new_date(int32_t(m_random()), int32_t(pick(1'000'000)));
        case 5: {
            std::string bytes(pick(4) == 0 ? 200 + pick(100) : pick(20), '\0');
            for (char& c : bytes)
                c = char(m_random());
            return plist_new_data(bytes.data(), bytes.size());
        }
        case 6:
            return plist_new_uid(pick(3) == 0 ? m_random() : pick(300));
        case 7:
            return plist_new_string(pick(2) ? "" : "plain");
        case 8: {
            plist_t array = plist_new_array();
            for (size_t i = 0, n = count(); i < n; ++i)
                plist_array_append_item(array, value(depth + 1));
            return array;
        }
        default:
            return dictionary(depth);
        }
    }

    plist_t dictionary(int depth)
    {
        plist_t dict = plist_new_dict();
        std::set<std::string> keys;
        for (size_t i = 0, n = count(); i < n; ++i) {
            std::string key = text();
            if (keys.insert(key).second)
                plist_dict_set_item(dict, key.c_str(), value(depth + 1));
        }
        return dict;
    }

private:
    size_t pick(size_t below) { return std::uniform_int_distribution<size_t>(0, below - 1)(m_random); }
    size_t count() { return pick(8) == 0 ? 14 + pick(6) : pick(6); }

    std::string text()
    {
        static const char* const pieces[] = { "Label", "CFBundleIdentifier", "com.example.agent", " ", "\t", "\n", "é", "中文", "😀", "<",
            ">", "&", "\"", "'", "&amp;", "]]>", "0", "-", "a b", "Ω≈ç", "/Applications/Foo.app/Contents/MacOS/Foo" };
        std::string result;
        for (size_t i = 0, n = pick(6) == 0 ? 20 + pick(30) : pick(4); i < n; ++i)
            result += pieces[pick(std::size(pieces))];
        return result;
    }

    uint64_t integer()
    {
        static const uint64_t edgeValues[] = { 0, 1, 14, 15, 127, 128, 255, 256, 65535, 65536, 0xFFFFFFFF, 0x100000000, uint64_t(INT64_MAX),
            uint64_t(INT64_MIN), UINT64_MAX, uint64_t(-1000) };
        if (pick(2))
            return edgeValues[pick(std::size(edgeValues))];
        return uint64_t(m_random()) << 32 | m_random();
    }

    double real()
    {
        static const double edgeValues[]
            = { 0.0, 0.1, -1.5, 1e300, -1e-300, 5e-324, std::numeric_limits<double>::max(), 3.0, 1e15, 123456789.125 };
        if (pick(2))
            return edgeValues[pick(std::size(edgeValues))];
        double value;
        do
            value = std::bit_cast<double>(uint64_t(m_random()) << 32 | m_random());
        while (!std::isfinite(value));
        return value;
    }

    std::mt19937 m_random;
};

::testing::AssertionResult sameTree(const PropertyList& ours, plist_t theirs, const std::string& where)
{
    auto differ = [&](const std::string& what) { return ::testing::AssertionFailure() << where << ": " << what; };
    switch (plist_get_node_type(theirs)) {
    case PLIST_DICT: {
        const auto* entries = ours.asDictionary();
        if (!entries || entries->size() != plist_dict_get_size(theirs))
            return differ("not a dictionary of " + std::to_string(plist_dict_get_size(theirs)) + " entries");
        plist_dict_iter iterator = nullptr;
        plist_dict_new_iter(theirs, &iterator);
        std::unique_ptr<void, decltype(&std::free)> ownedIterator(iterator, &std::free);
        for (const auto& [key, value] : *entries) {
            char* theirKey = nullptr;
            plist_t theirValue = nullptr;
            plist_dict_next_item(theirs, iterator, &theirKey, &theirValue);
            const std::string expectedKey = theirKey ? theirKey : "";
            std::free(theirKey);
            if (key != expectedKey)
                return differ("key \"" + key + "\" where libplist has \"" + expectedKey + "\"");
            if (auto same = sameTree(value, theirValue, where + "/" + key); !same)
                return same;
        }
        return ::testing::AssertionSuccess();
    }
    case PLIST_ARRAY: {
        const auto* elements = ours.asArray();
        if (!elements || elements->size() != plist_array_get_size(theirs))
            return differ("not an array of " + std::to_string(plist_array_get_size(theirs)) + " elements");
        // Walked with an iterator: libplist finds the nth item by counting from the first.
        plist_array_iter iterator = nullptr;
        plist_array_new_iter(theirs, &iterator);
        std::unique_ptr<void, decltype(&std::free)> ownedIterator(iterator, &std::free);
        for (size_t i = 0; i < elements->size(); ++i) {
            plist_t theirElement = nullptr;
            plist_array_next_item(theirs, iterator, &theirElement);
            if (auto same = sameTree((*elements)[i], theirElement, where + "/" + std::to_string(i)); !same)
                return same;
        }
        return ::testing::AssertionSuccess();
    }
    case PLIST_STRING: {
        uint64_t length = 0;
        const char* text = plist_get_string_ptr(theirs, &length);
        if (!ours.asString() || *ours.asString() != std::string_view(text, length))
            return differ("not the string \"" + std::string(text, length) + "\"");
        return ::testing::AssertionSuccess();
    }
    case PLIST_BOOLEAN: {
        uint8_t value = 0;
        plist_get_bool_val(theirs, &value);
        return ours.booleanValue() == (value != 0) ? ::testing::AssertionSuccess() : differ("not the boolean " + std::to_string(value));
    }
    case PLIST_UINT: {
        // libplist keeps 64 bits without a sign; ours must hold the same bits.
        uint64_t value = 0;
        plist_get_uint_val(theirs, &value);
        auto bits = ours.integerValue() ? std::optional(uint64_t(*ours.integerValue())) : ours.unsignedIntegerValue();
        return bits == value ? ::testing::AssertionSuccess() : differ("not the integer with bits " + std::to_string(value));
    }
    case PLIST_REAL: {
        double value = 0;
        plist_get_real_val(theirs, &value);
        return ours.realValue() == value ? ::testing::AssertionSuccess() : differ("not the real " + std::to_string(value));
    }
    case PLIST_DATE: {
        int32_t seconds = 0, microseconds = 0;
        plist_get_date_val(theirs, &seconds, &microseconds);
        // libplist keeps whole microseconds, and splits a date before 2001 into seconds cut
        // towards zero and the fraction's magnitude.
        const double expected = seconds < 0 ? seconds - microseconds / 1e6 : seconds + microseconds / 1e6;
        if (!ours.dateValue() || std::fabs(secondsSinceReferenceDate(*ours.dateValue()) - expected) > 1.5e-6)
            return differ("not the date " + std::to_string(expected) + " (" + std::to_string(seconds) + " s, "
                + std::to_string(microseconds) + " µs)"
                + (ours.dateValue() ? ", ours " + std::to_string(secondsSinceReferenceDate(*ours.dateValue())) : ""));
        return ::testing::AssertionSuccess();
    }
    case PLIST_DATA: {
        uint64_t length = 0;
        const char* bytes = plist_get_data_ptr(theirs, &length);
        const auto* data = ours.asData();
        if (!data || data->size() != length || (length && std::memcmp(data->data(), bytes, length) != 0))
            return differ("not the " + std::to_string(length) + " bytes of data");
        return ::testing::AssertionSuccess();
    }
    case PLIST_UID: {
        uint64_t value = 0;
        plist_get_uid_val(theirs, &value);
        const PropertyList* uid = ours.valueForKey("CF$UID");
        if (!uid || ours.asDictionary()->size() != 1 || uid->unsignedIntegerValue() != value)
            return differ("not the UID " + std::to_string(value));
        return ::testing::AssertionSuccess();
    }
    default:
        return differ("libplist answered an unexpected node type");
    }
}

struct Serialized {
    std::string xml;
    std::string binary;
};

Serialized serialize(plist_t tree)
{
    Serialized out;
    char* bytes = nullptr;
    uint32_t length = 0;
    plist_to_xml(tree, &bytes, &length);
    out.xml.assign(bytes, length);
    plist_to_xml_free(bytes);
    bytes = nullptr;  // libplist writes nothing into a pointer that is already set
    length = 0;
    plist_to_bin(tree, &bytes, &length);
    out.binary.assign(bytes, length);
    plist_to_bin_free(bytes);
    return out;
}

void expectSameAsLibplist(const std::string& bytes, bool binary, const std::string& name)
{
    SCOPED_TRACE(name + (binary ? " (binary)" : " (XML)"));
    plist_t parsed = nullptr;
    if (binary)
        plist_from_bin(bytes.data(), uint32_t(bytes.size()), &parsed);
    else
        plist_from_xml(bytes.data(), uint32_t(bytes.size()), &parsed);
    OwnedPlist theirs(parsed);
    ASSERT_NE(theirs, nullptr) << "libplist cannot read its own output";

    auto ours = parsePropertyList(bytes);
    ASSERT_TRUE(ours) << ours.error().message;
    EXPECT_TRUE(sameTree(ours.value(), parsed, ""));
}

TEST(PropertyListOracle, ReadsRandomTreesLikeLibplistInBothForms)
{
    TreeGenerator generator(20261210);
    for (int i = 0; i < 300; ++i) {
        OwnedPlist tree(i % 3 == 0 ? generator.dictionary(0) : generator.value(0));
        const Serialized files = serialize(static_cast<plist_t>(tree.get()));
        expectSameAsLibplist(files.xml, false, "tree " + std::to_string(i));
        expectSameAsLibplist(files.binary, true, "tree " + std::to_string(i));
        if (::testing::Test::HasFailure())
            return;
    }
}

TEST(PropertyListOracle, ReadsLargeFlatContainersWithWideReferences)
{
    // Past 256 and 65,536 objects libplist widens references and offsets to 2 and 3 bytes.
    OwnedPlist dictionary(plist_new_dict());
    for (size_t i = 0; i < 300; ++i)
        plist_dict_set_item(static_cast<plist_t>(dictionary.get()), ("key" + std::to_string(i)).c_str(), plist_new_uint(i * 7919));
    OwnedPlist array(plist_new_array());
    for (size_t i = 0; i < 70'000; ++i)
        plist_array_append_item(static_cast<plist_t>(array.get()), plist_new_uint(i * 7919));

    for (const auto& [name, tree] : { std::pair("300 entries", dictionary.get()), std::pair("70,000 elements", array.get()) }) {
        const Serialized files = serialize(static_cast<plist_t>(tree));
        expectSameAsLibplist(files.xml, false, name);
        expectSameAsLibplist(files.binary, true, name);
    }
}

}  // namespace
}  // namespace lopewell
