// What the verbs write to a person at a terminal: text no file or process name can steer,
// counts with their nouns, a progress line that rewrites itself, and the y/N question.
#pragma once

#include <chrono>
#include <cstdint>
#include <iosfwd>
#include <string>
#include <string_view>

namespace lopewell::cli {

// Names, paths and error texts come from whoever made the file or started the process. Control
// characters (C0, DEL and C1) would let one move the cursor or clear the screen, and bytes that
// are not UTF-8 garble what follows, so each is shown as "?". Valid text passes unchanged.
std::string terminalSafe(std::string_view text);

// "12,345": a count as the verbs print it.
std::string countText(std::uint64_t count);
// "1 file", "12,345 files".
std::string countText(std::uint64_t count, std::string_view one, std::string_view many);

// Scan progress on one stderr line that rewrites itself, shown only when stderr is the
// terminal and at most ten times a second: a terminal that redraws per value slows the scan
// it reports on. Cleared when it goes.
class ProgressLine {
public:
    explicit ProgressLine(std::ostream& err);
    ~ProgressLine();
    ProgressLine(const ProgressLine&) = delete;
    ProgressLine& operator=(const ProgressLine&) = delete;

    void show(const std::string& text);
    void clear();

private:
    std::ostream& m_err;
    bool m_enabled = false;
    bool m_shown = false;
    std::chrono::steady_clock::time_point m_lastShown;
};

// "y" or "yes" in any case, spaces (and a terminal's "\r") around it allowed; anything else,
// an empty line included, is no.
bool isYes(std::string_view answer);

// Writes `question` (which ends in "[y/N] ") to `err` and reads one line of `in`; the end of
// the input is a no, so a script without a terminal never agrees by accident.
bool confirm(std::istream& in, std::ostream& err, std::string_view question);

}  // namespace lopewell::cli
