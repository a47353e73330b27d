#include "cli/terminal.h"

#include <unistd.h>

#include <iostream>
#include <istream>
#include <ostream>

#include "core/base/text.h"
#include "core/base/utf8.h"
#include "core/format/decimal_text.h"

namespace lopewell::cli {

std::string terminalSafe(std::string_view text)
{
    std::string safe;
    safe.reserve(text.size());
    for (std::string_view rest = text; !rest.empty();) {
        const utf8::CodePoint next = utf8::decodeFront(rest);
        const bool control = next.value < 0x20 || (next.value >= 0x7f && next.value <= 0x9f);
        if (!next.valid || control)
            safe += '?';
        else
            safe.append(rest.substr(0, next.length));
        rest.remove_prefix(next.length);
    }
    return safe;
}

std::string countText(std::uint64_t count)
{
    return withThousandsSeparators(std::to_string(count));
}

std::string countText(std::uint64_t count, std::string_view one, std::string_view many)
{
    return countText(count) + " " + std::string(count == 1 ? one : many);
}

ProgressLine::ProgressLine(std::ostream& err) : m_err(err), m_enabled(&err == &std::cerr && ::isatty(STDERR_FILENO) == 1) {}

ProgressLine::~ProgressLine()
{
    clear();
}

void ProgressLine::show(const std::string& text)
{
    const auto now = std::chrono::steady_clock::now();
    if (!m_enabled || (m_shown && now - m_lastShown < std::chrono::milliseconds(100)))
        return;
    m_err << "\r\x1b[K" << text << std::flush;
    m_shown = true;
    m_lastShown = now;
}

void ProgressLine::clear()
{
    if (m_shown)
        m_err << "\r\x1b[K" << std::flush;
    m_shown = false;
}

bool isYes(std::string_view answer)
{
    std::string lower(trimmed(answer));
    for (char& c : lower)
        c = (c >= 'A' && c <= 'Z') ? char(c - 'A' + 'a') : c;
    return lower == "y" || lower == "yes";
}

bool confirm(std::istream& in, std::ostream& err, std::string_view question)
{
    err << question << std::flush;
    std::string answer;
    return std::getline(in, answer) && isYes(answer);
}

}  // namespace lopewell::cli
