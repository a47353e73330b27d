#include "app/security/browser_policy.h"

#include <algorithm>

#include <nlohmann/json.hpp>

namespace lopewell {

namespace {

// Ordered: identifiers follow the file.
using json = nlohmann::ordered_json;

class Identifiers {
public:
    explicit Identifiers(std::string_view engine) : m_engine(engine) {}

    void add(std::string_view policy, std::string_view value)
    {
        if (value.empty())
            return;
        std::string identifier = m_engine + ":" + std::string(policy) + ":" + std::string(value);
        if (std::find(m_list.begin(), m_list.end(), identifier) == m_list.end())
            m_list.push_back(std::move(identifier));
    }

    void addHost(std::string_view policy, const json& url)
    {
        if (url.is_string())
            add(policy, urlHost(url.get_ref<const std::string&>()));
    }

    std::vector<std::string> take() { return std::move(m_list); }

private:
    std::string m_engine;
    std::vector<std::string> m_list;
};

const json* member(const json& object, const char* key)
{
    if (!object.is_object())
        return nullptr;
    auto found = object.find(key);
    return found == object.end() ? nullptr : &*found;
}

std::string_view stringAt(const json& object, const char* key)
{
    const json* value = member(object, key);
    return value && value->is_string() ? std::string_view(value->get_ref<const std::string&>()) : std::string_view();
}

void readChrome(const json& policies, Identifiers& out)
{
    if (const json* list = member(policies, "ExtensionInstallForcelist"); list && list->is_array()) {
        for (const json& entry : *list) {
            if (!entry.is_string())
                continue;
            const std::string_view text = entry.get_ref<const std::string&>();
            out.add("ExtensionInstallForcelist", text.substr(0, text.find(';')));
        }
    }
    // The newer way to force an extension on a browser; for a signature it is the same trace.
    if (const json* settings = member(policies, "ExtensionSettings"); settings && settings->is_object()) {
        for (const auto& [id, setting] : settings->items()) {
            if (id.starts_with("update_url:") || stringAt(setting, "installation_mode") != "force_installed")
                continue;
            // A key may name several extensions at once: "id1,id2".
            std::string_view ids = id;
            while (!ids.empty()) {
                const size_t comma = ids.find(',');
                if (const std::string_view one = ids.substr(0, comma); one != "*")
                    out.add("ExtensionInstallForcelist", one);
                ids = comma == std::string_view::npos ? std::string_view() : ids.substr(comma + 1);
            }
        }
    }
    for (const char* policy : { "HomepageLocation", "NewTabPageLocation" }) {
        if (const json* url = member(policies, policy))
            out.addHost(policy, *url);
    }
    if (const json* urls = member(policies, "RestoreOnStartupURLs"); urls && urls->is_array()) {
        for (const json& url : *urls)
            out.addHost("RestoreOnStartupURLs", url);
    }
    if (const json* url = member(policies, "DefaultSearchProviderSearchURL"))
        out.addHost("DefaultSearchProviderSearchURL", *url);
}

void readFirefox(const json& file, Identifiers& out)
{
    const json* policies = member(file, "policies");
    if (!policies)
        return;
    if (const json* settings = member(*policies, "ExtensionSettings"); settings && settings->is_object()) {
        for (const auto& [id, setting] : settings->items()) {
            const std::string_view mode = stringAt(setting, "installation_mode");
            if (id != "*" && (mode == "force_installed" || mode == "normal_installed"))
                out.add("ExtensionSettings", id);
        }
    }
    if (const json* homepage = member(*policies, "Homepage")) {
        if (const json* url = member(*homepage, "URL"))
            out.addHost("Homepage", *url);
        if (const json* more = member(*homepage, "Additional"); more && more->is_array()) {
            for (const json& url : *more)
                out.addHost("Homepage", url);
        }
    }
    if (const json* engines = member(*policies, "SearchEngines")) {
        if (const json* added = member(*engines, "Add"); added && added->is_array()) {
            for (const json& engine : *added) {
                if (const json* url = member(engine, "URLTemplate"))
                    out.addHost("SearchEngines", *url);
            }
        }
    }
}

}  // namespace

std::string urlHost(std::string_view url)
{
    const size_t scheme = url.find("://");
    std::string_view rest = scheme == std::string_view::npos ? url : url.substr(scheme + 3);
    rest = rest.substr(0, rest.find_first_of("/?#"));
    if (const size_t at = rest.rfind('@'); at != std::string_view::npos)
        rest.remove_prefix(at + 1);
    if (rest.starts_with('[')) {
        rest = rest.substr(0, rest.find(']') == std::string_view::npos ? rest.size() : rest.find(']') + 1);
    } else {
        rest = rest.substr(0, rest.find(':'));
    }
    std::string host;
    host.reserve(rest.size());
    for (char c : rest) {
        if (c == ' ' || c == '\t' || c == '\n' || c == '\r')
            return {};
        host.push_back(c >= 'A' && c <= 'Z' ? char(c + ('a' - 'A')) : c);
    }
    return host;
}

std::vector<std::string> browserPolicyIdentifiers(BrowserPolicyFormat format, std::string_view text)
{
    const json file = json::parse(text, nullptr, false);
    if (file.is_discarded() || !file.is_object())
        return {};
    Identifiers out(format == BrowserPolicyFormat::chrome ? "chrome" : "firefox");
    if (format == BrowserPolicyFormat::chrome)
        readChrome(file, out);
    else
        readFirefox(file, out);
    return out.take();
}

}  // namespace lopewell
