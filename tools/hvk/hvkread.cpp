// hvk list, cat and verify, and the member check that extract shares: the
// archive is read whole into the tool's own memory and lent to the engine's
// archive reader, and the pool is rewound before each member, so an archive
// of any size up to 2 GiB can be read as long as each member fits in the pool.
//
// What every archive guarantees, whoever wrote it, is checked in every
// archive: the directory lies inside the file, a stored member's bytes do, a
// packed member is a whole packed stream whose own checksum matches what it
// unpacks to, and the storage type is one the show reads. The fourth word of
// an entry belongs to the writer; it is compared with the member's checksum
// only in archives that carry hvk's mark (hvk.h).
#include "hvk.h"
#include "file.h"
#include "filepack.h"
#include "toolkit.h"

#include <nlohmann/json.hpp>
#include <unordered_map>
#include <zlib.h>

// The archive the command reads, lent to the archive reader, and whether it
// carries hvk's mark.
static std::vector<uint8_t> image;
static bool marked;

static uint32_t wordAt(size_t at)
{
  return (uint32_t)image[at] | (uint32_t)image[at + 1] << 8 | (uint32_t)image[at + 2] << 16 |
         (uint32_t)image[at + 3] << 24;
}

// Whether the image ends with a mark whose CRC matches its directory.
static bool findMark(void)
{
  if (image.size() < ARC_HEADER_SIZE + HVK_MARK_SIZE)
    return false;
  size_t at = image.size() - HVK_MARK_SIZE;
  uint32_t length = wordAt(at + 8);
  return memcmp(&image[at], "HVK1", 4) == 0 && (wordAt(at + 4) & HVK_MARK_CHECKSUMS) &&
         length <= at && crc32(0L, image.data(), length) == wordAt(at + 12);
}

int HvkOpenArchive(const std::string &archive, int32_t *count)
{
  std::string problem;
  if (!HvkReadFile(archive, HVK_MAX_ARCHIVE, &image, &problem))
    return HvkFail(archive, problem.find("over the limit") != std::string::npos
                                ? "larger than 2 GiB: not an archive"
                                : problem);
  static const uint8_t none = 0;
  FileArcAttach(image.empty() ? &none : image.data(), (int32_t)image.size());
  int32_t result = FileArcGetNodeCount(count);
  if (result == ARC_ERR_SIGNATURE)
    return HvkFail(archive, "not an archive (no DAT1 signature)");
  if (result != 0)
    return HvkFail(archive, "damaged archive: " + HvkEngineMessage());
  marked = findMark();
  return 0;
}

static std::string storageName(int32_t storage)
{
  if (storage == ARC_STORED)
    return "stored";
  if (storage == ARC_PACKED)
    return "packed";
  return "type " + std::to_string(storage);
}

// The member's unpacked size as the reader will see it.
static int64_t memberSize(const ArcNodeInfo &info)
{
  if (info.storage == ARC_STORED)
    return info.storedSize;
  if (info.storage != ARC_PACKED || info.dataRoom == 0)
    return 0;
  uint32_t room = info.dataRoom > 0x7FFFFFFFu ? 0x7FFFFFFFu : info.dataRoom;
  return FileGetUnpackedSize(image.data() + info.dataOffset, (int32_t)room);
}

// What the format guarantees of one member that the reader has unpacked.
static std::string checkMember(const ArcNodeInfo &info, const void *data, int32_t size)
{
  uint32_t sum = computeChecksum(data, size);
  if (info.storage == ARC_PACKED) {
    uint32_t streamSum = 0, streamSize = 0;
    uint32_t room = info.dataRoom > 0x7FFFFFFFu ? 0x7FFFFFFFu : info.dataRoom;
    if (FileGetPackedHeader(image.data() + info.dataOffset, (int32_t)room, &streamSum,
                            &streamSize) != PACK_OK)
      return "packed member without a packed stream (no PAK1 signature)";
    if (streamSize != (uint32_t)size)
      return "size " + std::to_string(size) + ", stream says " + std::to_string(streamSize);
    if (streamSum != sum)
      return "checksum does not match the packed stream's";
  }
  if (marked && info.checksum != sum)
    return "checksum does not match the directory's";
  return "";
}

bool HvkFetchMember(int32_t index, ArcNodeInfo *info, void **data, int32_t *size, std::string *problem)
{
  HvkFreshPool();
  *data = nullptr;
  *size = 0;
  if (FileArcGetIndexedNode(info, index) != 0) {
    *problem = "damaged archive: " + HvkEngineMessage();
    return false;
  }
  if (info->storage != ARC_STORED && info->storage != ARC_PACKED) {
    *problem = "unknown storage " + storageName(info->storage) + " (the show reads it as nothing)";
    return false;
  }
  if (FileArcGetIndexedFile(data, index, size) != 0) {
    *problem = HvkEngineMessage();
    return false;
  }
  *problem = checkMember(*info, *data, *size);
  return problem->empty();
}

int HvkList(const std::string &archive, bool json)
{
  int32_t count = 0;
  if (HvkOpenArchive(archive, &count) != 0)
    return 1;
  nlohmann::ordered_json list = nlohmann::ordered_json::array();
  for (int32_t i = 0; i < count; i++) {
    ArcNodeInfo info;
    if (FileArcGetIndexedNode(&info, i) != 0)
      return HvkFail(archive, "damaged archive: " + HvkEngineMessage());
    long long size = (long long)memberSize(info);
    if (json)
      list.push_back({{"name", ToolLatin1ToUtf8(info.name)},
                      {"storage", storageName(info.storage)},
                      {"size", size},
                      {"packedSize", info.storedSize}});
    else
      fprintf(hvkOut, "%-7s %10lld %10u  %s\n", storageName(info.storage).c_str(), size,
              info.storedSize, info.name);
  }
  if (json)
    fprintf(hvkOut, "%s\n", list.dump(2).c_str());
  return 0;
}

// The entry the show's lookup finds for a name that FileLoad has repaired:
// the first whose normalised name equals it, else the second-chance name's.
static int32_t entryOf(const char *repaired, int32_t count)
{
  std::string names[2] = {HvkNormalised(repaired), HvkNormalised(std::string("\\") + repaired)};
  for (const std::string &wanted : names) {
    for (int32_t i = 0; i < count; i++) {
      ArcNodeInfo info;
      if (FileArcGetIndexedNode(&info, i) == 0 && HvkNormalised(info.name) == wanted)
        return i;
    }
  }
  return -1;
}

int HvkCat(const std::string &archive, const std::string &name)
{
  int32_t count = 0;
  if (HvkOpenArchive(archive, &count) != 0)
    return 1;
  if (name.size() > FILE_NAME_SIZE - 1)
    return HvkFail(name, "name longer than 191 characters");
  // The show's own loader finds the member, with its name repairs and
  // second-chance name; then it is fetched and checked as verify does.
  char buffer[FILE_NAME_SIZE + 2] = {0};
  name.copy(buffer, name.size());
  FileData file{};
  HvkFreshPool();
  int32_t loaded = FileLoad(&file, buffer);
  int32_t index = entryOf(buffer, count);
  if (loaded != 0 && index < 0)
    return HvkFail(archive, "no member named " + name);
  void *data;
  int32_t size;
  ArcNodeInfo info;
  std::string problem;
  if (index < 0 || !HvkFetchMember(index, &info, &data, &size, &problem))
    return HvkFail(archive, "member " + name + ": " + (problem.empty() ? HvkEngineMessage() : problem));
  if (size > 0 && fwrite(data, 1, (size_t)size, hvkOut) != (size_t)size)
    return HvkFail("standard output", std::string("cannot be written: ") + strerror(errno));
  return 0;
}

int HvkVerify(const std::string &archive)
{
  int32_t count = 0;
  if (HvkOpenArchive(archive, &count) != 0)
    return 1;
  int bad = 0;
  std::unordered_map<std::string, std::string> seen;  // normalised name -> first member's
  for (int32_t i = 0; i < count; i++) {
    ArcNodeInfo info;
    void *data;
    int32_t size;
    std::string problem;
    if (!HvkFetchMember(i, &info, &data, &size, &problem)) {
      if (problem.rfind("damaged archive", 0) == 0)
        return HvkFail(archive, problem);
      HvkFail(archive, std::string("member ") + info.name + ": " + problem);
      bad++;
    }
    auto first = seen.emplace(HvkNormalised(info.name), info.name);
    if (!first.second)
      fprintf(stderr, "hvk: %s: note: member %s has the name of member %s, which the show reads instead\n",
              archive.c_str(), info.name, first.first->second.c_str());
  }
  fprintf(hvkOut, "%s: %d members, %d bad%s\n", archive.c_str(), (int)count, bad,
          marked ? "" : " (written by another program: entry checksums not checked)");
  return bad ? 1 : 0;
}
