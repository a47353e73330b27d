#include "app/security/signature_file.h"

#include <cerrno>

#include "platform/file_read.h"

namespace lopewell {

ErrorOr<std::vector<ThreatSignature>> readSignatureFile(const std::filesystem::path& path)
{
    auto read = readRegularFile(path, signatureListSizeLimit, SymlinkPolicy::follow);
    if (const auto* failure = std::get_if<FileReadFailure>(&read)) {
        switch (failure->kind) {
        case FileReadFailure::Kind::tooLarge:
            return Error { EFBIG,
                "the signature list is larger than " + std::to_string(signatureListSizeLimit / (size_t(1024) * 1024)) + " MiB" };
        case FileReadFailure::Kind::notRegular:
            return Error { EINVAL, path.string() + " is not a regular file" };
        case FileReadFailure::Kind::symbolicLink:
        case FileReadFailure::Kind::cannotOpen:
        case FileReadFailure::Kind::cannotExamine:
        case FileReadFailure::Kind::cannotRead:
            break;
        }
        return Error::fromErrno(failure->code ? failure->code : EIO, "cannot read " + path.string());
    }
    return decodeThreatSignatures(std::get<std::string>(read));
}

}  // namespace lopewell
