// Fuzz target: the packed-stream reader on any stream, and the writer and
// reader together on the same bytes taken as data (which must round-trip).
// The packer builds its code trees and output in the memory pool, where an
// overrun lands on the record behind a block before any sanitizer's red
// zone: every record is checked after packing.
#include "filepack.h"
#include "mem.h"

#include <cstdlib>
#include <cstring>
#include <vector>

extern "C" int LLVMFuzzerTestOneInput(const uint8_t *data, size_t size)
{
  if (size > (1 << 20))
    return 0;
  // As a stream: the output block is as large as the header claims, when
  // that is sane; the reader must refuse anything it cannot decode.
  uint32_t unpacked = FileGetUnpackedSize(data, (int32_t)size);
  if (unpacked <= 8 * size) {
    std::vector<uint8_t> out(unpacked + 1);
    FileUnpack(data, (int32_t)size, out.data(), (int32_t)unpacked);
  }
  // As data: whatever packs must unpack to the same bytes.
  MemFreeAll();
  MemInit();
  void *packed = nullptr;
  int32_t packedSize = 0;
  int32_t packResult = FilePack(data, (int32_t)size, &packed, &packedSize);
  if (MemCheck() != 0)
    abort();
  if (packResult == PACK_OK) {
    std::vector<uint8_t> back(size + 1);
    if (FileUnpack(packed, packedSize, back.data(), (int32_t)size) != PACK_OK ||
        memcmp(back.data(), data, size) != 0)
      abort();
  }
  return 0;
}
