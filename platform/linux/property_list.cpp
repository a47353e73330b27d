#include "platform/property_list.h"

#include <cerrno>
#include <string>

namespace lopewell {

ErrorOr<PropertyList> readPropertyListFile(const std::filesystem::path& path, SymlinkPolicy symlinks, std::uint64_t maxSize)
{
    const std::string name = path.string();
    auto contents = readRegularFile(path, maxSize, symlinks);
    if (const auto* failure = std::get_if<FileReadFailure>(&contents)) {
        using Kind = FileReadFailure::Kind;
        switch (failure->kind) {
        case Kind::symbolicLink:
            return Error { ELOOP, name + ": is a symbolic link, which is not followed" };
        case Kind::cannotOpen:
            return Error::fromErrno(failure->code, "Cannot open " + name);
        case Kind::cannotExamine:
            return Error::fromErrno(failure->code, "Cannot examine " + name);
        case Kind::notRegular:
            return Error { EINVAL, name + ": not a regular file" };
        case Kind::tooLarge:
            return Error { EFBIG,
                name + ": too large for a property list" + (failure->size ? " (" + std::to_string(*failure->size) + " bytes)" : "") };
        case Kind::cannotRead:
            return Error::fromErrno(failure->code, "Cannot read " + name);
        }
    }

    auto plist = parsePropertyList(std::string_view(std::get<std::string>(contents)));
    if (!plist)
        return Error { plist.error().code, name + ": " + plist.error().message };
    return plist;
}

}  // namespace lopewell
