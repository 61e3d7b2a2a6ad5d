// Packed streams: a byte-wise Huffman code with its code table carried in the
// stream. Archive members of storage type 1 are held this way.
//
// Layout. Every field is a run of bits sent most significant bit first, and
// bits fill each byte from bit 7 down to bit 0, so the 32-bit header fields
// are big-endian:
//   bytes 0-3    "PAK1"
//   bytes 4-7    checksum: sum of the unpacked bytes modulo 2^32
//   bytes 8-11   unpacked size
//   bytes 12-43  presence map, one bit per byte value 0..255 (value 0 first)
//   byte 44      W: the largest code length, and the width of each length below
//   then         for each present value in increasing order: length L (W bits),
//                code (L bits)
//   then         the code of every unpacked byte, back to back
//   then         8 zero bits; the stream ends at the byte holding the last of
//                them, so a partly filled last byte of data is always included
#pragma once
#include <cstdint>

enum {
  PACK_OK = 0,
  PACK_ERR_FAILED = -1,     // does not fit, codes too long, or a damaged stream
  PACK_ERR_NULL = -2,
  PACK_ERR_NO_MEMORY = -5
};

enum {
  PACK_HEADER_SIZE = 45,    // signature, checksum, size, presence map and W
  PACK_MAX_CODE_LENGTH = 32 // a code is held in a 32-bit field
};

// Packs `size` bytes into a fresh pool block of `size` bytes and hands it
// back with the stream's length. Fails (PACK_ERR_FAILED, no block taken, the
// outputs set to null and 0) when the stream, its final zero bits included,
// would not fit in a block as large as the input, or when a code would need
// more than 32 bits; the caller then stores the bytes as they are.
int32_t FilePack(const void *data, int32_t size, void **packed, int32_t *packedSize);

// The header's unpacked size, or 0 when the stream is shorter than its header
// or does not start with the signature.
uint32_t FileGetUnpackedSize(const void *stream, int32_t streamSize);

// The header's checksum and unpacked size; PACK_ERR_FAILED without a header.
int32_t FileGetPackedHeader(const void *stream, int32_t streamSize, uint32_t *checksum,
                            uint32_t *size);

// Unpacks the stream's bytes into `out`, which holds `outSize` bytes and must
// hold the whole unpacked size. Reads nothing outside the `streamSize` bytes
// of the stream and writes nothing outside `out`. PACK_ERR_FAILED for a
// missing signature, a code table that is not a prefix code, data leading to a
// code that does not exist, or data running out before the last byte.
int32_t FileUnpack(const void *stream, int32_t streamSize, void *out, int32_t outSize);

uint32_t computeChecksum(const void *data, int32_t size);
