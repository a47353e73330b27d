#pragma once

#include <string>

namespace lopewell::cli {

std::string usageText();

}  // namespace lopewell::cli
