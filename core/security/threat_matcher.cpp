#include "core/security/threat_matcher.h"

#include <algorithm>
#include <cstdint>
#include <limits>
#include <memory>
#include <optional>
#include <string>

#include <unicode/brkiter.h>
#include <unicode/locid.h>
#include <unicode/utext.h>

#include "core/base/utf8.h"

namespace lopewell::ThreatMatcher {

namespace {

bool isAscii(std::string_view text)
{
    return std::all_of(text.begin(), text.end(), [](char byte) { return static_cast<unsigned char>(byte) < 0x80; });
}

// In ASCII every byte is a character but "\r\n", which is one: no need to ask ICU.
// Positions are byte offsets.
struct AsciiCharacters {
    std::string_view text;

    std::size_t end() const { return text.size(); }
    std::size_t next(std::size_t position) const
    {
        return text[position] == '\r' && position + 1 < text.size() && text[position + 1] == '\n' ? position + 2 : position + 1;
    }
    std::string_view at(std::size_t position) const { return text.substr(position, next(position) - position); }
    bool isStar(std::size_t position) const { return text[position] == '*'; }
};

// Any other text, cut into characters beforehand. Positions are character indices.
struct SegmentedCharacters {
    std::string_view text;
    std::vector<std::size_t> starts;  // where each character starts, then text.size()

    std::size_t end() const { return starts.size() - 1; }
    static std::size_t next(std::size_t position) { return position + 1; }
    std::string_view at(std::size_t position) const { return text.substr(starts[position], starts[position + 1] - starts[position]); }
    bool isStar(std::size_t position) const { return at(position) == "*"; }
};

// ICU's iterators are expensive to make and not to be shared between threads: one per thread.
icu::BreakIterator* characterBreaks()
{
    thread_local const std::unique_ptr<icu::BreakIterator> iterator = [] {
        UErrorCode status = U_ZERO_ERROR;
        std::unique_ptr<icu::BreakIterator> made(icu::BreakIterator::createCharacterInstance(icu::Locale::getRoot(), status));
        return U_SUCCESS(status) ? std::move(made) : nullptr;
    }();
    return iterator.get();
}

// Appends where the characters of `run`, valid UTF-8 found at `offset`, end.
void appendCharacterEnds(std::string_view run, std::size_t offset, std::vector<std::size_t>& starts)
{
    icu::BreakIterator* breaks = characterBreaks();
    if (breaks && run.size() <= std::size_t(std::numeric_limits<int32_t>::max())) {
        UErrorCode status = U_ZERO_ERROR;
        UText utext = UTEXT_INITIALIZER;
        utext_openUTF8(&utext, run.data(), int64_t(run.size()), &status);
        breaks->setText(&utext, status);
        if (U_SUCCESS(status)) {
            const std::size_t before = starts.size();
            for (int32_t end = breaks->next(); end != icu::BreakIterator::DONE; end = breaks->next())
                starts.push_back(offset + std::size_t(end));
            utext_close(&utext);
            if (starts.size() > before && starts.back() == offset + run.size())
                return;
            starts.resize(before);
        } else {
            utext_close(&utext);
        }
    }
    // Without ICU's data, code points stand in for characters; "\r\n" still holds together.
    for (std::size_t at = 0; at < run.size();) {
        const bool crlf = run[at] == '\r' && at + 1 < run.size() && run[at + 1] == '\n';
        at += crlf ? 2 : utf8::decodeFront(run.substr(at)).length;
        starts.push_back(offset + at);
    }
}

SegmentedCharacters segmented(std::string_view text)
{
    SegmentedCharacters characters { text, { 0 } };
    characters.starts.reserve(text.size() + 1);
    if (isAscii(text)) {
        const AsciiCharacters ascii { text };
        for (std::size_t at = 0; at < text.size(); at = ascii.next(at))
            characters.starts.push_back(ascii.next(at));
        return characters;
    }
    // Runs of valid UTF-8 go to ICU; each byte outside them is a character of its own, so that a
    // combining mark after one starts a character rather than joining it.
    std::size_t runStart = 0;
    for (std::size_t at = 0; at < text.size();) {
        const utf8::CodePoint next = utf8::decodeFront(text.substr(at));
        if (next.valid) {
            at += next.length;
            continue;
        }
        if (runStart < at)
            appendCharacterEnds(text.substr(runStart, at - runStart), runStart, characters.starts);
        ++at;
        characters.starts.push_back(at);
        runStart = at;
    }
    if (runStart < text.size())
        appendCharacterEnds(text.substr(runStart), runStart, characters.starts);
    return characters;
}

template <typename Pattern, typename Text>
GlobMatchOutcome run(const Pattern& pattern, const Text& text)
{
    GlobMatchOutcome outcome;
    std::size_t p = 0;
    std::size_t t = 0;
    std::optional<std::size_t> star;  // the last star seen, and where in the text it began to match
    std::size_t starStart = 0;
    while (t < text.end()) {
        ++outcome.steps;
        if (p < pattern.end() && !pattern.isStar(p) && pattern.at(p) == text.at(t)) {
            p = pattern.next(p);
            t = text.next(t);
        } else if (p < pattern.end() && pattern.isStar(p)) {
            star = p;
            starStart = t;
            p = pattern.next(p);
        } else if (star) {
            starStart = text.next(starStart);
            t = starStart;
            p = pattern.next(*star);
        } else {
            return outcome;
        }
    }
    while (p < pattern.end() && pattern.isStar(p)) {
        ++outcome.steps;
        p = pattern.next(p);
    }
    outcome.matched = p == pattern.end();
    return outcome;
}

}  // namespace

GlobMatchOutcome globMatchCountingSteps(std::string_view pattern, std::string_view text)
{
    if (isAscii(pattern) && isAscii(text))
        return run(AsciiCharacters { pattern }, AsciiCharacters { text });
    return run(segmented(pattern), segmented(text));
}

bool globMatch(std::string_view pattern, std::string_view text)
{
    return globMatchCountingSteps(pattern, text).matched;
}

std::vector<DetectedThreat> match(
    const std::vector<ThreatSignature>& signatures, const std::vector<ObservedArtifact>& artifacts, std::string_view homePath)
{
    std::string_view home = homePath;
    while (!home.empty() && home.back() == '/')
        home.remove_suffix(1);
    const auto pathMatches = [home](std::string_view glob, std::string_view path) {
        if (!glob.starts_with('~'))
            return globMatch(glob, path);
        return path.starts_with(home) && globMatch(glob.substr(1), path.substr(home.size()));
    };
    const auto named = [](const std::vector<std::string>& list, const std::string& identifier) {
        return std::find(list.begin(), list.end(), identifier) != list.end();
    };

    std::vector<DetectedThreat> threats;
    for (const ThreatSignature& signature : signatures) {
        std::vector<ObservedArtifact> found;
        for (const ObservedArtifact& artifact : artifacts) {
            bool matches = false;
            switch (artifact.kind) {
            case ObservedArtifact::Kind::app:
                matches = named(signature.bundleIDs, artifact.identifier);
                break;
            case ObservedArtifact::Kind::launchAgent:
            case ObservedArtifact::Kind::launchDaemon:
                matches = named(signature.agentLabels, artifact.identifier);
                break;
            case ObservedArtifact::Kind::profile:
                matches = named(signature.profileIDs, artifact.identifier);
                break;
            case ObservedArtifact::Kind::file:
                matches = std::any_of(signature.pathGlobs.begin(), signature.pathGlobs.end(),
                    [&](const std::string& glob) { return pathMatches(glob, artifact.identifier); });
                break;
            }
            if (matches)
                found.push_back(artifact);
        }
        if (!found.empty())
            threats.push_back(DetectedThreat { signature, std::move(found) });
    }
    return threats;
}

}  // namespace lopewell::ThreatMatcher
