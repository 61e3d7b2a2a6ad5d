// hvk list, extract, cat and verify: the archive is read whole into the
// tool's own memory and lent to the engine's archive reader, and the pool is
// rewound before each member, so an archive of any size up to 2 GiB can be
// read as long as each member fits in the pool.
#include "hvk.h"
#include "file.h"
#include "filearc.h"
#include "filepack.h"

#include <filesystem>
#include <unistd.h>

namespace fs = std::filesystem;

// The archive the command reads, lent to the archive reader.
static std::vector<uint8_t> image;

static int openArchive(const std::string &archive, int32_t *count)
{
  std::string problem;
  std::error_code ec;
  if (fs::is_regular_file(archive, ec) && fs::file_size(archive, ec) > (uintmax_t)HVK_MAX_ARCHIVE)
    return HvkFail(archive, "larger than 2 GiB: not an archive");
  if (!HvkReadFile(archive, &image, &problem))
    return HvkFail(archive, problem);
  static const uint8_t none = 0;
  FileArcAttach(image.empty() ? &none : image.data(), (int32_t)image.size());
  int32_t result = FileArcGetNodeCount(count);
  if (result == ARC_ERR_SIGNATURE)
    return HvkFail(archive, "not an archive (no DAT1 signature)");
  if (result != 0)
    return HvkFail(archive, "damaged archive: " + HvkEngineMessage());
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

static std::string jsonString(const std::string &text)
{
  std::string out = "\"";
  for (unsigned char c : text) {
    if (c == '"' || c == '\\')
      out += std::string("\\") + (char)c;
    else if (c < 0x20) {
      char escape[8];
      snprintf(escape, sizeof escape, "\\u%04x", c);
      out += escape;
    } else
      out += (char)c;
  }
  return out + "\"";
}

int HvkList(const std::string &archive, bool json)
{
  int32_t count = 0;
  if (openArchive(archive, &count) != 0)
    return 1;
  if (json)
    fprintf(hvkOut, "[");
  for (int32_t i = 0; i < count; i++) {
    ArcNodeInfo info;
    if (FileArcGetIndexedNode(&info, i) != 0)
      return HvkFail(archive, "damaged archive: " + HvkEngineMessage());
    long long size = (long long)memberSize(info);
    if (json)
      fprintf(hvkOut, "%s\n  {\"name\": %s, \"storage\": \"%s\", \"size\": %lld, \"packed_size\": %u}",
              i ? "," : "", jsonString(info.name).c_str(), storageName(info.storage).c_str(), size,
              info.storedSize);
    else
      fprintf(hvkOut, "%-7s %10lld %10u  %s\n", storageName(info.storage).c_str(), size,
              info.storedSize, info.name);
  }
  if (json)
    fprintf(hvkOut, "%s]\n", count ? "\n" : "");
  return 0;
}

// Fetches member `index` into a fresh pool; `problem` says why not.
static bool fetchMember(int32_t index, const ArcNodeInfo &info, void **data, int32_t *size,
                        std::string *problem)
{
  HvkFreshPool();
  *data = nullptr;
  *size = 0;
  if (FileArcGetIndexedFile(data, index, size) != 0) {
    *problem = HvkEngineMessage();
    return false;
  }
  if (info.storage != ARC_STORED && info.storage != ARC_PACKED) {
    *problem = "unknown storage " + storageName(info.storage);
    return false;
  }
  return true;
}

// The host path below `folder` for a member name: drive dropped, either slash
// separates folders; "." and ".." are refused so nothing lands outside `folder`.
static bool memberPath(const std::string &folder, const std::string &name, fs::path *path)
{
  std::string rest = name.size() >= 2 && name[1] == ':' ? name.substr(2) : name;
  fs::path out = folder;
  bool any = false;
  size_t start = 0;
  while (start <= rest.size()) {
    size_t end = rest.find_first_of("\\/", start);
    if (end == std::string::npos)
      end = rest.size();
    std::string part = rest.substr(start, end - start);
    if (part == "." || part == "..")
      return false;
    if (!part.empty()) {
      out /= part;
      any = true;
    }
    start = end + 1;
  }
  *path = out;
  return any;
}

int HvkExtract(const std::string &archive, const std::string &folder)
{
  int32_t count = 0;
  if (openArchive(archive, &count) != 0)
    return 1;
  std::error_code ec;
  fs::create_directories(folder, ec);
  if (ec || access(folder.c_str(), W_OK) != 0)
    return HvkFail(folder, "folder not writable");
  for (int32_t i = 0; i < count; i++) {
    ArcNodeInfo info;
    fs::path path;
    if (FileArcGetIndexedNode(&info, i) != 0)
      return HvkFail(archive, "damaged archive: " + HvkEngineMessage());
    if (!memberPath(folder, info.name, &path))
      return HvkFail(archive, std::string("member ") + info.name + ": unsafe name, not extracted");
    void *data;
    int32_t size;
    std::string problem;
    if (!fetchMember(i, info, &data, &size, &problem))
      return HvkFail(archive, std::string("member ") + info.name + ": " + problem);
    fs::create_directories(path.parent_path(), ec);
    const uint8_t *bytes = (const uint8_t *)data;
    if (ec || !HvkWriteFile(path.string(), std::vector<uint8_t>(bytes, bytes + size), &problem))
      return HvkFail(path.string(), ec ? "folder not writable" : problem);
  }
  return 0;
}

int HvkCat(const std::string &archive, const std::string &name)
{
  int32_t count = 0;
  if (openArchive(archive, &count) != 0)
    return 1;
  if (name.size() > FILE_NAME_SIZE - 1)
    return HvkFail(name, "name longer than 191 characters");
  // The show's own loader, with its name repairs and second-chance name.
  char buffer[FILE_NAME_SIZE + 2] = {0};
  name.copy(buffer, name.size());
  FileData file{};
  HvkFreshPool();
  if (FileLoad(&file, buffer) != 0) {
    std::string problem = HvkEngineMessage();
    if (problem.rfind("Damaged", 0) == 0 || problem.rfind("Not enough", 0) == 0)
      return HvkFail(archive, problem);
    return HvkFail(archive, "no member named " + name);
  }
  if (file.size > 0 && fwrite(file.data, 1, (size_t)file.size, hvkOut) != (size_t)file.size)
    return HvkFail("standard output", "cannot be written");
  return 0;
}

// Checks one member against its entry's checksum and, when packed, against
// its stream's own checksum and size.
static std::string checkMember(const ArcNodeInfo &info, const void *data, int32_t size)
{
  uint32_t sum = computeChecksum(data, size);
  if (info.storage == ARC_PACKED) {
    uint32_t streamSum = 0, streamSize = 0;
    uint32_t room = info.dataRoom > 0x7FFFFFFFu ? 0x7FFFFFFFu : info.dataRoom;
    if (FileGetPackedHeader(image.data() + info.dataOffset, (int32_t)room, &streamSum,
                            &streamSize) != PACK_OK)
      return "packed stream without its header";
    if (streamSize != (uint32_t)size)
      return "size " + std::to_string(size) + ", stream says " + std::to_string(streamSize);
    if (streamSum != sum)
      return "checksum does not match the packed stream's";
  }
  if (info.checksum != sum)
    return "checksum does not match the directory's";
  return "";
}

int HvkVerify(const std::string &archive)
{
  int32_t count = 0;
  if (openArchive(archive, &count) != 0)
    return 1;
  int bad = 0;
  for (int32_t i = 0; i < count; i++) {
    ArcNodeInfo info;
    if (FileArcGetIndexedNode(&info, i) != 0)
      return HvkFail(archive, "damaged archive: " + HvkEngineMessage());
    void *data;
    int32_t size;
    std::string problem;
    if (fetchMember(i, info, &data, &size, &problem))
      problem = checkMember(info, data, size);
    if (!problem.empty()) {
      HvkFail(archive, std::string("member ") + info.name + ": " + problem);
      bad++;
    }
  }
  fprintf(hvkOut, "%s: %d members, %d bad\n", archive.c_str(), (int)count, bad);
  return bad ? 1 : 0;
}
