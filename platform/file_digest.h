// SHA-256 over a file's bytes, for the duplicate finder: large sequential reads into one reused
// buffer, a cancel check after every 64 KiB hashed, and a refusal to hash a file that is no longer
// the one the walk saw (another inode, another size, changed while being read).
//
//   FileDigester digester;
//   FileDigest result = digester.digest(path, identityFromWalk, FileDigester::wholeFile, isCancelled);
//   if (result.status == FileDigestStatus::ok) use(lowerHex(result.digest));
//
// THREAD-SAFETY: a FileDigester (and a Sha256) is used by one thread at a time; use one per thread.
#pragma once

#include <array>
#include <cstddef>
#include <cstdint>
#include <filesystem>
#include <functional>
#include <limits>
#include <memory>
#include <optional>
#include <string>
#include <string_view>

#include "platform/unique_fd.h"

namespace lopewell {

using Sha256Digest = std::array<std::uint8_t, 32>;

// 64 lower-case hexadecimal digits, no separators.
std::string lowerHex(const Sha256Digest& digest);

// Incremental SHA-256 through OpenSSL's EVP interface (which uses the CPU's SHA instructions).
class Sha256 {
public:
    Sha256();
    ~Sha256();
    Sha256(const Sha256&) = delete;
    Sha256& operator=(const Sha256&) = delete;

    void update(const void* bytes, std::size_t length);
    // Returns the digest of everything fed since construction, the last finish() or reset().
    Sha256Digest finish();
    void reset();

private:
    struct Context;
    std::unique_ptr<Context> m_context;
};

// MD5 of a short text as 32 lower-case hexadecimal digits: the key desktop integrations derive
// from a file's URI to name what they installed for it (AppImage desktop entries, thumbnails).
std::string md5LowerHex(std::string_view text);

// What the walk saw of a file. A file that no longer matches is never hashed.
struct FileIdentity {
    std::uint64_t device = 0;
    std::uint64_t inode = 0;
    std::uint64_t logicalSize = 0;
    std::optional<std::uint64_t> allocatedSize;  // not compared when the walk had none

    bool operator==(const FileIdentity&) const = default;
};

// The file's modification and status-change times as seen while it was read; a later read of the
// same file can demand that they are still the same (nothing wrote to it in between).
struct FileChangeStamp {
    std::int64_t modifiedNanoseconds = 0;
    std::int64_t changedNanoseconds = 0;

    bool operator==(const FileChangeStamp&) const = default;
};

enum class FileDigestStatus {
    ok,
    unreadable,  // could not be opened or read
    changed,     // not the file the walk saw, or modified while being read
    cancelled,
};

struct FileDigest {
    FileDigestStatus status = FileDigestStatus::unreadable;
    Sha256Digest digest {};
    FileChangeStamp stamp;
};

// A file to read and what it must still be.
struct FileToRead {
    std::filesystem::path path;
    FileIdentity identity;
    std::optional<FileChangeStamp> sameAs;
};

enum class FileComparisonStatus {
    same,
    different,
    firstFailed,   // the first file is unreadable, or not what it was
    secondFailed,  // the second file is unreadable, or not what it was
    cancelled,
};

struct FileComparison {
    FileComparisonStatus status = FileComparisonStatus::firstFailed;
    std::optional<Sha256Digest> firstDigest;  // asked for and the files are the same
};

class FileDigester {
public:
    static constexpr std::size_t readSize = std::size_t(1) << 20;
    static constexpr std::size_t cancelGranularity = std::size_t(64) << 10;
    static constexpr std::uint64_t wholeFile = std::numeric_limits<std::uint64_t>::max();

    // A question rather than a std::stop_token, so that a test can count the checks per 64 KiB.
    using CancelChecker = std::function<bool()>;

    FileDigester();
    ~FileDigester();
    FileDigester(const FileDigester&) = delete;
    FileDigester& operator=(const FileDigester&) = delete;

    // Digests the first min(limit, size) bytes of the regular file at `path`, which must still be
    // `expected` (symbolic links are not followed). `isCancelled` is asked after every 64 KiB
    // hashed. With `sameAs`, the file's change stamp must equal it.
    FileDigest digest(const std::filesystem::path& path, const FileIdentity& expected, std::uint64_t limit,
        const CancelChecker& isCancelled, std::optional<FileChangeStamp> sameAs = std::nullopt);

    // Reads two files of one size side by side and tells whether their bytes are equal, stopping
    // at the first difference. With `digestFirst`, also digests the first file as it goes (its
    // digest is returned when they are the same). Checks cancellation after every 64 KiB.
    FileComparison compare(const FileToRead& first, const FileToRead& second, bool digestFirst, const CancelChecker& isCancelled);

private:
    int openFile(const std::filesystem::path& path);

    Sha256 m_hasher;
    std::unique_ptr<std::byte[]> m_buffer;
    std::unique_ptr<std::byte[]> m_otherBuffer;  // made on the first comparison
    // The folder of the last file read, kept open: the next file of the same folder is opened
    // relative to it instead of resolving its whole path again.
    std::string m_folder;
    UniqueFd m_folderFd;
};

}  // namespace lopewell
