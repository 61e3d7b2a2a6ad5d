// hvk create: every regular file under a folder becomes a member named by its
// Windows-style path below that folder ("C:\vorlanth\vorlanth.lws"), packed
// when the packed stream is smaller and stored otherwise. Members are sorted
// by name, so one folder always gives the same archive bytes.
//
// Archive written: the 8-byte header, every entry back to back (advance = the
// entry's own 20 bytes and name), every member's bytes in the same order, and
// hvk's mark (hvk.h). The fourth word of an entry holds the member's checksum
// (sum of its bytes), which `hvk verify` checks in marked archives; a packed
// member's stored size is its stream's length.
//
// Only regular files are archived: FIFOs, devices, sockets and links to
// folders are skipped with a warning, and every file's size is checked
// before any is read.
#include "hvk.h"
#include "filepack.h"

#include <algorithm>
#include <filesystem>
#include <set>
#include <zlib.h>

namespace fs = std::filesystem;

namespace {

struct Member {
  std::string name;  // as stored
  fs::path path;
  int64_t size = 0;  // bytes, once read into the archive
};

}  // namespace

static std::string memberName(const fs::path &relative, char drive)
{
  std::string name = drive ? std::string(1, drive) + ":" : std::string();
  for (const fs::path &part : relative)
    name += "\\" + part.string();
  return name;
}

static std::string tooLarge(uintmax_t size)
{
  return std::to_string(size) + " bytes is over the " + std::to_string((long long)HVK_MAX_MEMBER) +
         "-byte limit of one member (the show's memory pool must hold it whole)";
}

bool HvkShowCanLoad(int64_t archive, int64_t member)
{
  return MemFootprint(archive) + MemFootprint(member) <= MEM_POOL_SIZE;
}

// The show holds the archive image and the member in one pool. A member
// that would not fit beside even an archive of itself alone can never be
// loaded, whatever else is archived with it.
static bool loadableAlone(const std::string &name, size_t stored, int32_t size)
{
  int64_t alone = ARC_HEADER_SIZE + ARC_ENTRY_SIZE + (int64_t)name.size() + 1 + (int64_t)stored +
                  HVK_MARK_SIZE;
  return HvkShowCanLoad(alone, size);
}

// Whether the walk's entry is a file to archive; what is neither that nor a
// plain folder gets a warning.
static bool wanted(const fs::directory_entry &entry)
{
  std::error_code ec;
  fs::file_status status = entry.status(ec);
  if (fs::is_regular_file(status))
    return true;
  bool link = entry.is_symlink(ec);
  if (fs::is_directory(status) && !link)
    return false;
  const char *what = fs::is_directory(status) ? "a link to a folder, not followed"
                     : fs::is_fifo(status)     ? "a FIFO, skipped"
                     : fs::is_character_file(status) || fs::is_block_file(status) ? "a device, skipped"
                     : fs::is_socket(status)   ? "a socket, skipped"
                     : link                    ? "a link that leads nowhere, skipped"
                                               : "not a regular file, skipped";
  fprintf(stderr, "hvk: %s: %s\n", entry.path().c_str(), what);
  return false;
}

static int collect(const HvkCreateOptions &options, std::vector<Member> *members)
{
  std::error_code ec;
  if (!fs::is_directory(options.folder, ec))
    return HvkFail(options.folder, "not a folder");
  fs::path self = fs::weakly_canonical(options.archive, ec);
  fs::recursive_directory_iterator walk(options.folder, ec), end;
  for (; !ec && walk != end; walk.increment(ec)) {
    std::error_code skip;
    if (!wanted(*walk) || fs::weakly_canonical(walk->path(), skip) == self)
      continue;
    uintmax_t size = walk->file_size(skip);
    if (!skip && size > (uintmax_t)HVK_MAX_MEMBER)
      return HvkFail(walk->path().string(), tooLarge(size));
    fs::path relative = walk->path().lexically_relative(options.folder);
    Member member{memberName(relative, options.drive), walk->path()};
    if (member.name.size() > ARC_NAME_SIZE - 1)
      return HvkFail(walk->path().string(), "member name longer than 191 characters");
    members->push_back(member);
  }
  if (ec)
    return HvkFail(options.folder, "cannot be read: " + ec.message());
  std::sort(members->begin(), members->end(),
            [](const Member &a, const Member &b) { return a.name < b.name; });
  std::set<std::string> seen;
  for (const Member &member : *members)
    if (!seen.insert(HvkNormalised(member.name)).second)
      return HvkFail(member.path.string(),
                     "another file has the same name but for case; the show could not tell them apart");
  return 0;
}

static void putWord(std::vector<uint8_t> *image, size_t at, uint32_t value)
{
  for (int i = 0; i < 4; i++)
    (*image)[at + i] = (uint8_t)(value >> (8 * i));
}

// Appends the member's bytes, packed when that is smaller, and fills its entry.
static int addMember(Member &member, const HvkCreateOptions &options, size_t entry,
                     std::vector<uint8_t> *image)
{
  std::vector<uint8_t> bytes;
  std::string problem;
  // The size was checked when the folder was read; the file may have grown since.
  if (!HvkReadFile(member.path.string(), HVK_MAX_MEMBER, &bytes, &problem))
    return HvkFail(member.path.string(), problem);
  HvkFreshPool();
  int32_t size = (int32_t)bytes.size();
  member.size = size;
  void *packed = nullptr;
  int32_t packedSize = 0;
  bool pack = !options.storeAll && FilePack(bytes.data(), size, &packed, &packedSize) == PACK_OK &&
              packedSize < size;
  const uint8_t *data = pack ? (const uint8_t *)packed : bytes.data();
  size_t length = pack ? (size_t)packedSize : bytes.size();
  if ((int64_t)(image->size() + length + HVK_MARK_SIZE) > HVK_MAX_ARCHIVE)
    return HvkFail(options.archive, "the archive would pass 2 GiB");
  if (!loadableAlone(member.name, length, size))
    return HvkFail(member.path.string(),
                   std::to_string(size) + " bytes" + (pack ? " (" + std::to_string(length) + " packed)" : "") +
                       ": the show could never load it, its archive and it do not fit in the " +
                       std::to_string((int)MEM_POOL_SIZE) + "-byte memory pool together");
  putWord(image, entry + 4, pack ? ARC_PACKED : ARC_STORED);
  putWord(image, entry + 8, (uint32_t)length);
  putWord(image, entry + 12, computeChecksum(bytes.data(), size));
  putWord(image, entry + 16, (uint32_t)image->size());
  image->insert(image->end(), data, data + length);
  return 0;
}

void HvkAppendMark(std::vector<uint8_t> *image, uint32_t directoryLength)
{
  size_t at = image->size();
  image->resize(at + HVK_MARK_SIZE);
  std::copy_n("HVK1", 4, image->begin() + at);
  putWord(image, at + 4, HVK_MARK_CHECKSUMS);
  putWord(image, at + 8, directoryLength);
  putWord(image, at + 12, (uint32_t)crc32(0L, image->data(), directoryLength));
}

// The show holds the whole archive in its pool and loads a member beside
// it: when the largest member does not fit beside this archive, the show
// will fail on it (and on others) with "Not enough memory". A warning, not a
// failure: the archive is still sound for the tools.
static void warnIfTooLarge(const std::string &archive, const std::vector<Member> &members,
                           size_t imageSize)
{
  const Member *largest = nullptr;
  for (const Member &member : members)
    if (!largest || member.size > largest->size)
      largest = &member;
  if (largest && !HvkShowCanLoad((int64_t)imageSize, largest->size))
    fprintf(stderr,
            "hvk: %s: warning: the archive (%zu bytes) and its largest member %s (%lld bytes) do not fit "
            "in the show's %d-byte memory pool together: the show cannot load that member\n",
            archive.c_str(), imageSize, largest->name.c_str(), (long long)largest->size,
            (int)MEM_POOL_SIZE);
}

int HvkCreate(const HvkCreateOptions &options)
{
  std::vector<Member> members;
  if (collect(options, &members) != 0)
    return 1;
  size_t directory = ARC_HEADER_SIZE;
  for (const Member &member : members)
    directory += ARC_ENTRY_SIZE + member.name.size() + 1;
  std::vector<uint8_t> image(directory, 0);
  image[0] = 'D', image[1] = 'A', image[2] = 'T', image[3] = '1';
  putWord(&image, 4, (uint32_t)members.size());
  size_t entry = ARC_HEADER_SIZE;
  int packedCount = 0;
  for (Member &member : members) {
    size_t advance = ARC_ENTRY_SIZE + member.name.size() + 1;
    putWord(&image, entry, (uint32_t)advance);
    std::copy(member.name.begin(), member.name.end(), image.begin() + entry + ARC_ENTRY_SIZE);
    if (addMember(member, options, entry, &image) != 0)
      return 1;
    packedCount += image[entry + 4] == ARC_PACKED;
    entry += advance;
  }
  HvkAppendMark(&image, (uint32_t)directory);
  std::string problem;
  if (!HvkWriteFile(options.archive, image, &problem))
    return HvkFail(options.archive, problem);
  warnIfTooLarge(options.archive, members, image.size());
  fprintf(hvkOut, "%s: %zu members (%d packed), %zu bytes\n", options.archive.c_str(),
          members.size(), packedCount, image.size());
  return 0;
}
