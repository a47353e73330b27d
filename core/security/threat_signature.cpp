#include "core/security/threat_signature.h"

#include <filesystem>
#include <unordered_map>

#include "core/base/file_url.h"
#include "core/base/utf8.h"

namespace lopewell {

namespace {

using Json = nlohmann::json;

[[noreturn]] void wrongType(const Json& value, const std::string& message)
{
    throw Json::type_error::create(302, message, &value);
}

const Json& requiredValue(const Json& object, const char* key)
{
    const auto found = object.find(key);
    if (found == object.end())
        throw Json::out_of_range::create(403, std::string("missing key \"") + key + "\"", &object);
    return *found;
}

std::string requiredString(const Json& object, const char* key)
{
    const Json& value = requiredValue(object, key);
    if (!value.is_string())
        wrongType(value, std::string("\"") + key + "\" must be a string, but is " + value.type_name());
    return value.get<std::string>();
}

bool requiredBool(const Json& object, const char* key)
{
    const Json& value = requiredValue(object, key);
    if (!value.is_boolean())
        wrongType(value, std::string("\"") + key + "\" must be true or false, but is " + value.type_name());
    return value.get<bool>();
}

// Absent and null both read as "none": writers that spell an empty optional as null are common.
std::vector<std::string> optionalStrings(const Json& object, const char* key)
{
    const auto found = object.find(key);
    if (found == object.end() || found->is_null())
        return {};
    if (!found->is_array())
        wrongType(*found, std::string("\"") + key + "\" must be a list of strings, but is " + found->type_name());
    std::vector<std::string> strings;
    strings.reserve(found->size());
    for (const Json& element : *found) {
        if (!element.is_string())
            wrongType(element,
                std::string("\"") + key + "\" must be a list of strings, but item " + std::to_string(strings.size()) + " is "
                    + element.type_name());
        strings.push_back(element.get<std::string>());
    }
    return strings;
}

template <typename Enum>
Enum requiredRawValue(const Json& object, const char* key)
{
    const std::string text = requiredString(object, key);
    if (const std::optional<Enum> value = fromRawValue<Enum>(text))
        return *value;
    std::string expected;
    for (const auto& [entry, entryText] : RawValues<Enum>::entries)
        expected += std::string(expected.empty() ? "" : ", ") + "\"" + std::string(entryText) + "\"";
    wrongType(object.at(key), std::string("unknown ") + key + " " + Json(text).dump() + " (expected one of " + expected + ")");
}

void requireObject(const Json& json, const char* what)
{
    if (!json.is_object())
        wrongType(json, std::string(what) + " must be an object, but is " + json.type_name());
}

// nlohmann prefixes every message with "[json.exception.type_error.302] "; users need the rest.
std::string plainMessage(const nlohmann::json::exception& error)
{
    const std::string_view message = error.what();
    const std::size_t end = message.starts_with("[json.exception.") ? message.find("] ") : std::string_view::npos;
    return std::string(end == std::string_view::npos ? message : message.substr(end + 2));
}

// How an entry is named in an error: its index, and its id quoted when it has one.
std::string entryName(std::size_t index, const Json& entry)
{
    std::string name = "entry " + std::to_string(index);
    if (!entry.is_object())
        return name;
    const auto id = entry.find("id");
    if (id == entry.end() || !id->is_string())
        return name;
    constexpr std::size_t shownCodePoints = 60;
    std::string_view rest = id->get_ref<const std::string&>();
    std::string shown;
    for (std::size_t count = 0; !rest.empty() && count < shownCodePoints; ++count) {
        const std::size_t length = utf8::decodeFront(rest).length;
        shown.append(rest.substr(0, length));
        rest.remove_prefix(length);
    }
    if (!rest.empty())
        shown += "…";
    return name + " (" + Json(shown).dump(-1, ' ', false, Json::error_handler_t::replace) + ")";
}

template <typename AnyJson>
void encodeSignature(AnyJson& json, const ThreatSignature& signature)
{
    json = AnyJson::object();
    json["id"] = signature.id;
    json["family"] = signature.family;
    json["severity"] = rawValue(signature.severity);
    json["description"] = signature.description;
    json["bundleIDs"] = signature.bundleIDs;
    json["pathGlobs"] = signature.pathGlobs;
    json["agentLabels"] = signature.agentLabels;
    json["profileIDs"] = signature.profileIDs;
}

template <typename AnyJson>
void encodeArtifact(AnyJson& json, const ObservedArtifact& artifact)
{
    json = AnyJson::object();
    json["kind"] = rawValue(artifact.kind);
    json["identifier"] = artifact.identifier;
    if (artifact.path)
        json["url"] = fileURLString(std::filesystem::path(*artifact.path));
    json["isUserControllable"] = artifact.isUserControllable;
}

template <typename AnyJson>
void encodeThreat(AnyJson& json, const DetectedThreat& threat)
{
    json = AnyJson::object();
    AnyJson signature;
    encodeSignature(signature, threat.signature);
    json["signature"] = std::move(signature);
    AnyJson artifacts = AnyJson::array();
    for (const ObservedArtifact& artifact : threat.artifacts) {
        AnyJson encoded;
        encodeArtifact(encoded, artifact);
        artifacts.push_back(std::move(encoded));
    }
    json["artifacts"] = std::move(artifacts);
}

}  // namespace

void to_json(nlohmann::json& json, const ThreatSignature& signature)
{
    encodeSignature(json, signature);
}

void to_json(nlohmann::ordered_json& json, const ThreatSignature& signature)
{
    encodeSignature(json, signature);
}

void from_json(const nlohmann::json& json, ThreatSignature& signature)
{
    requireObject(json, "a signature");
    ThreatSignature decoded;
    decoded.id = requiredString(json, "id");
    decoded.family = requiredString(json, "family");
    decoded.severity = requiredRawValue<ThreatSignature::Severity>(json, "severity");
    decoded.description = requiredString(json, "description");
    decoded.bundleIDs = optionalStrings(json, "bundleIDs");
    decoded.pathGlobs = optionalStrings(json, "pathGlobs");
    decoded.agentLabels = optionalStrings(json, "agentLabels");
    decoded.profileIDs = optionalStrings(json, "profileIDs");
    signature = std::move(decoded);
}

ErrorOr<std::vector<ThreatSignature>> decodeThreatSignatures(std::string_view json)
{
    if (json.size() > signatureListSizeLimit)
        return Error { 0,
            "the signature list has " + std::to_string(json.size()) + " bytes, more than the " + std::to_string(signatureListSizeLimit)
                + " that are read" };
    Json document;
    try {
        document = Json::parse(json);
    } catch (const Json::exception& error) {
        return Error { 0, "the signature list is not JSON: " + plainMessage(error) };
    }
    if (!document.is_array())
        return Error { 0, std::string("the signature list must be a JSON array, but is ") + document.type_name() };

    std::vector<ThreatSignature> signatures;
    signatures.reserve(document.size());
    std::unordered_map<std::string, std::size_t> firstEntryOfId;
    for (std::size_t index = 0; index < document.size(); ++index) {
        const Json& entry = document[index];
        ThreatSignature signature;
        try {
            from_json(entry, signature);
        } catch (const Json::exception& error) {
            return Error { 0, entryName(index, entry) + ": " + plainMessage(error) };
        }
        const auto [earlier, isNew] = firstEntryOfId.try_emplace(signature.id, index);
        if (!isNew)
            return Error { 0, entryName(index, entry) + ": the id is already used by entry " + std::to_string(earlier->second) };
        signatures.push_back(std::move(signature));
    }
    return signatures;
}

std::string encodeThreatSignatures(const std::vector<ThreatSignature>& signatures)
{
    nlohmann::ordered_json list = nlohmann::ordered_json::array();
    for (const ThreatSignature& signature : signatures) {
        nlohmann::ordered_json entry;
        encodeSignature(entry, signature);
        list.push_back(std::move(entry));
    }
    return list.dump(-1, ' ', false, nlohmann::ordered_json::error_handler_t::replace);
}

void to_json(nlohmann::json& json, const ObservedArtifact& artifact)
{
    encodeArtifact(json, artifact);
}

void to_json(nlohmann::ordered_json& json, const ObservedArtifact& artifact)
{
    encodeArtifact(json, artifact);
}

void from_json(const nlohmann::json& json, ObservedArtifact& artifact)
{
    requireObject(json, "an artifact");
    ObservedArtifact decoded;
    decoded.kind = requiredRawValue<ObservedArtifact::Kind>(json, "kind");
    decoded.identifier = requiredString(json, "identifier");
    if (const auto url = json.find("url"); url != json.end() && !url->is_null()) {
        if (!url->is_string())
            wrongType(*url, std::string("\"url\" must be a string, but is ") + url->type_name());
        const std::optional<std::filesystem::path> path = pathFromFileURL(url->get_ref<const std::string&>());
        if (!path)
            wrongType(*url, "\"url\" is not a file URL of an absolute path");
        decoded.path = path->string();
    }
    decoded.isUserControllable = requiredBool(json, "isUserControllable");
    artifact = std::move(decoded);
}

void to_json(nlohmann::json& json, const DetectedThreat& threat)
{
    encodeThreat(json, threat);
}

void to_json(nlohmann::ordered_json& json, const DetectedThreat& threat)
{
    encodeThreat(json, threat);
}

void from_json(const nlohmann::json& json, DetectedThreat& threat)
{
    requireObject(json, "a threat");
    DetectedThreat decoded;
    from_json(requiredValue(json, "signature"), decoded.signature);
    const Json& artifacts = requiredValue(json, "artifacts");
    if (!artifacts.is_array())
        wrongType(artifacts, std::string("\"artifacts\" must be a list, but is ") + artifacts.type_name());
    if (artifacts.empty())
        wrongType(artifacts, "a threat needs at least one artifact");
    for (const Json& artifact : artifacts)
        from_json(artifact, decoded.artifacts.emplace_back());
    threat = std::move(decoded);
}

}  // namespace lopewell
