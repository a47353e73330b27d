// Byte counts as the desktop shows them: "Zero KB", "1 byte", "512 bytes", "2 MB", "1.5 MB",
// "3.46 GB". The decimal point is always "." and the thousands separator ",", whatever the
// process locale says.
//
//   formatByteCount(item.size, ByteCountStyle::file);            // "3.46 GB"
//   formatByteCount(stats.total, ByteCountStyle::memory);        // "16 GB"
#pragma once

#include <cstdint>
#include <string>

namespace lopewell {

// file: 1000 bytes to the KB, for sizes on disk. memory: 1024, for RAM.
enum class ByteCountStyle { file, memory };

enum class ByteUnit { bytes, kilobytes, megabytes, gigabytes, terabytes, petabytes, exabytes };

// The units a count may be shown in, smallest to largest, both included.
struct ByteUnitRange {
    ByteUnit smallest = ByteUnit::bytes;
    ByteUnit largest = ByteUnit::exabytes;
};

// KB with no decimals, MB with one, GB and up with two; trailing zeros are dropped. A value that
// rounds to 1,000 of a unit is shown in the next one. Outside the range: above it the largest
// unit takes the whole count ("5,000 GB"); below it a non-zero count is shown as 1 of the
// smallest unit, never as 0.
std::string formatByteCount(uint64_t bytes, ByteCountStyle style, ByteUnitRange units = {});

}  // namespace lopewell
