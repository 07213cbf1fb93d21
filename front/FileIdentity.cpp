// The kind of a file from its first bytes and its name, then the kind's reader.
#include "FileIdentity.h"

#include <strings.h>
#include <sys/stat.h>

#include <cerrno>
#include <cstring>

#include "ContainerHead.h"
#include "FileKindReaders.h"
#include "FirmwareFiles.h"
#include "MafFile.h"
#include "OrbaBind.h"
#include "Sha256.h"

namespace {

bool EndsWithNoCase(const std::string& text, const std::string& end) {
    return text.size() >= end.size() &&
           strcasecmp(text.c_str() + text.size() - end.size(), end.c_str()) == 0;
}

std::string BaseName(const std::string& path) {
    const std::string::size_type slash = path.rfind('/');
    return slash == std::string::npos ? path : path.substr(slash + 1);
}

bool HasAt(const std::string& bytes, std::size_t offset, const void* mark, std::size_t size) {
    return bytes.size() >= offset + size && std::memcmp(bytes.data() + offset, mark, size) == 0;
}

TFileKind KindOf(const std::string& path, const std::string& bytes) {
    if (HasAt(bytes, 4, BiosIdentification, sizeof BiosIdentification - 1)) {
        return TFileKind::BiosUpdate;
    }
    if (HasAt(bytes, Kemcmprs::kDataOffsetSize, Kemcmprs::kContainerMagic.data(),
              Kemcmprs::kMagicSize)) {
        return TFileKind::KemcmprsContainer;
    }
    if (bytes.size() >= 4) {
        switch (TLumeORBABind().GetBoundFileKind(path)) {
            case BoundFileKind::RawImage:
                return TFileKind::RawImage;
            case BoundFileKind::GeneralBound:
                return TFileKind::BoundFirmware;
            case BoundFileKind::MafListBound:
                return TFileKind::FilterContainer;
            case BoundFileKind::Other:
                break;
        }
    }
    const std::string name = BaseName(path);
    if (EndsWithNoCase(name, ".mft")) return TFileKind::FilterFile;
    if (strcasecmp(name.c_str(), "CFG8019.INI") == 0) return TFileKind::Settings8019;
    return TFileKind::Unknown;
}

}  // namespace

TFileIdentity IdentifyFile(const std::string& path) {
    TFileIdentity identity;
    struct stat status {};
    if (stat(path.c_str(), &status) != 0) {
        identity.Problem = std::strerror(errno);
        return identity;
    }
    if (!S_ISREG(status.st_mode)) {
        identity.Problem = "not a regular file";
        return identity;
    }
    identity.Size = static_cast<std::uint64_t>(status.st_size);
    if (identity.Size > kLargestExaminedFile) {
        identity.Problem = "larger than any file the operations take (64 MiB); not examined";
        return identity;
    }
    std::string bytes;
    try {
        bytes = ReadWholeFile(path);
        identity.Kind = KindOf(path, bytes);
    } catch (const std::exception& error) {
        identity.Problem = error.what();
        return identity;
    }
    identity.Size = bytes.size();
    identity.Sha256 = Sha256Hex(bytes);
    DescribeFileKind(path, bytes, identity);
    return identity;
}

namespace {

// Each kind's key for programs and its caption for people.
struct TKindNames {
    TFileKind kind;
    const char* id;
    const char* caption;
};
constexpr TKindNames kKindNames[] = {
    {TFileKind::Unreadable, "unreadable", "cannot be read"},
    {TFileKind::Unknown, "unknown", "not a kind the operations know"},
    {TFileKind::RawImage, "raw-image", "raw firmware image"},
    {TFileKind::BoundFirmware, "bound-firmware", "bound firmware file"},
    {TFileKind::FilterContainer, "filter-container", "bound filter list (MAF.DAT)"},
    {TFileKind::BiosUpdate, "bios-update", "BIOS update file"},
    {TFileKind::KemcmprsContainer, "kemcmprs-container", "KEMCMPRS container"},
    {TFileKind::FilterFile, "filter-file", "filter file"},
    {TFileKind::Settings8019, "settings-file", "Ethernet controller settings file"},
};

const TKindNames& KindNames(TFileKind kind) {
    for (const TKindNames& names : kKindNames)
        if (names.kind == kind) return names;
    return kKindNames[1];  // Unknown
}

}  // namespace

const char* FileKindId(TFileKind kind) { return KindNames(kind).id; }
const char* FileKindCaption(TFileKind kind) { return KindNames(kind).caption; }
