#include "platform/file_digest.h"

#include <openssl/evp.h>

#include <algorithm>
#include <cerrno>
#include <cstdlib>
#include <cstring>
#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>
#include <utility>

#include "platform/unique_fd.h"

namespace lopewell {

namespace {

// Fetched once: EVP_sha256() would look the implementation up again at every initialisation,
// under a lock that the hashing threads would then share.
const EVP_MD* sha256Implementation()
{
    static EVP_MD* implementation = EVP_MD_fetch(nullptr, "SHA256", nullptr);
    if (!implementation)
        std::abort();
    return implementation;
}

std::int64_t nanoseconds(const struct timespec& time)
{
    return std::int64_t(time.tv_sec) * 1'000'000'000 + time.tv_nsec;
}

FileChangeStamp stampOf(const struct stat& info)
{
    return { nanoseconds(info.st_mtim), nanoseconds(info.st_ctim) };
}

bool matches(const struct stat& info, const FileIdentity& expected)
{
    return S_ISREG(info.st_mode) && std::uint64_t(info.st_dev) == expected.device && std::uint64_t(info.st_ino) == expected.inode
        && std::uint64_t(info.st_size) == expected.logicalSize
        && (!expected.allocatedSize || std::uint64_t(info.st_blocks) * 512 == *expected.allocatedSize);
}

std::string hexDigits(const std::uint8_t* bytes, std::size_t count)
{
    static constexpr char digits[] = "0123456789abcdef";
    std::string text(count * 2, '0');
    for (std::size_t i = 0; i < count; ++i) {
        text[2 * i] = digits[bytes[i] >> 4];
        text[2 * i + 1] = digits[bytes[i] & 0xf];
    }
    return text;
}

}  // namespace

std::string lowerHex(const Sha256Digest& digest)
{
    return hexDigits(digest.data(), digest.size());
}

std::string md5LowerHex(std::string_view text)
{
    std::array<std::uint8_t, 16> digest {};
    unsigned int length = 0;
    if (EVP_Digest(text.data(), text.size(), digest.data(), &length, EVP_md5(), nullptr) != 1 || length != digest.size())
        return {};
    return hexDigits(digest.data(), digest.size());
}

struct Sha256::Context {
    EVP_MD_CTX* context = EVP_MD_CTX_new();
    ~Context() { EVP_MD_CTX_free(context); }
};

Sha256::Sha256() : m_context(std::make_unique<Context>())
{
    if (!m_context->context || EVP_DigestInit_ex(m_context->context, sha256Implementation(), nullptr) != 1)
        std::abort();
}

Sha256::~Sha256() = default;

void Sha256::update(const void* bytes, std::size_t length)
{
    if (EVP_DigestUpdate(m_context->context, bytes, length) != 1)
        std::abort();
}

Sha256Digest Sha256::finish()
{
    Sha256Digest digest {};
    unsigned length = 0;
    if (EVP_DigestFinal_ex(m_context->context, digest.data(), &length) != 1 || length != digest.size())
        std::abort();
    reset();
    return digest;
}

void Sha256::reset()
{
    if (EVP_DigestInit_ex(m_context->context, sha256Implementation(), nullptr) != 1)
        std::abort();
}

FileDigester::FileDigester() : m_buffer(std::make_unique<std::byte[]>(readSize)) {}

FileDigester::~FileDigester() = default;

int FileDigester::openFile(const std::filesystem::path& path)
{
    // O_NONBLOCK: a path swapped for a FIFO since the walk must not hang the scan in open().
    constexpr int flags = O_RDONLY | O_NOFOLLOW | O_NONBLOCK | O_CLOEXEC | O_NOCTTY;
    const std::string& text = path.native();
    const std::size_t slash = text.rfind('/');
    if (slash == std::string::npos || slash + 1 == text.size())
        return ::open(path.c_str(), flags);
    const std::string_view folder(text.data(), slash == 0 ? 1 : slash);
    if (!m_folderFd || folder != m_folder) {
        m_folder.assign(folder);
        m_folderFd.reset(::open(m_folder.c_str(), O_PATH | O_DIRECTORY | O_CLOEXEC));
        if (!m_folderFd) {
            m_folder.clear();
            return ::open(path.c_str(), flags);
        }
    }
    return ::openat(m_folderFd.get(), text.c_str() + slash + 1, flags);
}

FileDigest FileDigester::digest(const std::filesystem::path& path, const FileIdentity& expected, std::uint64_t limit,
    const CancelChecker& isCancelled, std::optional<FileChangeStamp> sameAs)
{
    FileDigest result;
    UniqueFd file(openFile(path));
    if (file.get() < 0) {
        result.status = errno == ELOOP ? FileDigestStatus::changed : FileDigestStatus::unreadable;
        return result;
    }
    struct stat before {};
    if (::fstat(file.get(), &before) != 0)
        return result;
    result.stamp = stampOf(before);
    if (!matches(before, expected) || (sameAs && *sameAs != result.stamp)) {
        result.status = FileDigestStatus::changed;
        return result;
    }

    const std::uint64_t wanted = std::min(limit, expected.logicalSize);
    if (wanted > readSize)
        ::posix_fadvise(file.get(), 0, 0, POSIX_FADV_SEQUENTIAL);

    // The hasher may hold a half-fed earlier file if that one was abandoned.
    m_hasher.reset();
    std::uint64_t total = 0;
    while (total < wanted) {
        const std::size_t ask = std::size_t(std::min<std::uint64_t>(readSize, wanted - total));
        const ssize_t got = ::read(file.get(), m_buffer.get(), ask);
        if (got < 0 && errno == EINTR)
            continue;
        if (got < 0)
            return result;  // unreadable
        if (got == 0) {
            result.status = FileDigestStatus::changed;  // shrank since the walk
            return result;
        }
        for (std::size_t offset = 0; offset < std::size_t(got); offset += cancelGranularity) {
            m_hasher.update(m_buffer.get() + offset, std::min(cancelGranularity, std::size_t(got) - offset));
            if (isCancelled && isCancelled()) {
                result.status = FileDigestStatus::cancelled;
                return result;
            }
        }
        total += std::uint64_t(got);
    }

    // Growth past the walk's size, or a write while we read, shows here. A prefix is only ever
    // a filter: the whole file is read (and checked) before it joins a group.
    if (wanted == expected.logicalSize) {
        struct stat after {};
        if (::fstat(file.get(), &after) != 0)
            return result;
        if (!matches(after, expected) || stampOf(after) != result.stamp) {
            result.status = FileDigestStatus::changed;
            return result;
        }
    }
    result.digest = m_hasher.finish();
    result.status = FileDigestStatus::ok;
    return result;
}

namespace {

// Opens `file` for a whole read and checks it is still what the walk (and an earlier read) saw.
bool openUnchanged(const FileToRead& file, UniqueFd& fd, FileChangeStamp& stamp)
{
    fd = UniqueFd(::open(file.path.c_str(), O_RDONLY | O_NOFOLLOW | O_NONBLOCK | O_CLOEXEC | O_NOCTTY));
    struct stat info {};
    if (fd.get() < 0 || ::fstat(fd.get(), &info) != 0 || !matches(info, file.identity))
        return false;
    stamp = stampOf(info);
    if (file.sameAs && *file.sameAs != stamp)
        return false;
    if (file.identity.logicalSize > FileDigester::readSize)
        ::posix_fadvise(fd.get(), 0, 0, POSIX_FADV_SEQUENTIAL);
    return true;
}

bool stillUnchanged(const FileToRead& file, const UniqueFd& fd, const FileChangeStamp& stamp)
{
    struct stat info {};
    return ::fstat(fd.get(), &info) == 0 && matches(info, file.identity) && stampOf(info) == stamp;
}

// Fills `buffer` with exactly `length` bytes, or fails.
bool readExactly(int fd, std::byte* buffer, std::size_t length)
{
    std::size_t done = 0;
    while (done < length) {
        const ssize_t got = ::read(fd, buffer + done, length - done);
        if (got < 0 && errno == EINTR)
            continue;
        if (got <= 0)
            return false;
        done += std::size_t(got);
    }
    return true;
}

}  // namespace

FileComparison FileDigester::compare(const FileToRead& first, const FileToRead& second, bool digestFirst, const CancelChecker& isCancelled)
{
    FileComparison result;
    if (first.identity.logicalSize != second.identity.logicalSize) {
        result.status = FileComparisonStatus::different;
        return result;
    }
    if (!m_otherBuffer)
        m_otherBuffer = std::make_unique<std::byte[]>(readSize);
    UniqueFd a;
    UniqueFd b;
    FileChangeStamp stampA;
    FileChangeStamp stampB;
    if (!openUnchanged(first, a, stampA)) {
        result.status = FileComparisonStatus::firstFailed;
        return result;
    }
    if (!openUnchanged(second, b, stampB)) {
        result.status = FileComparisonStatus::secondFailed;
        return result;
    }
    m_hasher.reset();
    const std::uint64_t size = first.identity.logicalSize;
    for (std::uint64_t total = 0; total < size;) {
        const std::size_t length = std::size_t(std::min<std::uint64_t>(readSize, size - total));
        if (!readExactly(a.get(), m_buffer.get(), length)) {
            result.status = FileComparisonStatus::firstFailed;
            return result;
        }
        if (!readExactly(b.get(), m_otherBuffer.get(), length)) {
            result.status = FileComparisonStatus::secondFailed;
            return result;
        }
        for (std::size_t offset = 0; offset < length; offset += cancelGranularity) {
            const std::size_t piece = std::min(cancelGranularity, length - offset);
            if (std::memcmp(m_buffer.get() + offset, m_otherBuffer.get() + offset, piece) != 0) {
                result.status = FileComparisonStatus::different;
                return result;
            }
            if (digestFirst)
                m_hasher.update(m_buffer.get() + offset, piece);
            if (isCancelled && isCancelled()) {
                result.status = FileComparisonStatus::cancelled;
                return result;
            }
        }
        total += length;
    }
    if (!stillUnchanged(first, a, stampA)) {
        result.status = FileComparisonStatus::firstFailed;
        return result;
    }
    if (!stillUnchanged(second, b, stampB)) {
        result.status = FileComparisonStatus::secondFailed;
        return result;
    }
    result.status = FileComparisonStatus::same;
    if (digestFirst)
        result.firstDigest = m_hasher.finish();
    return result;
}

}  // namespace lopewell
