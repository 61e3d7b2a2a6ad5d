// Texture upload: a host-to-local image transfer into the texture area.
//
// Packets, in order:
//   A+D x4   BITBLTBUF (DBP = textureArea / 256, DBW = width / 64, DPSM 0),
//            TRXPOS 0, TRXREG (RRW = texWidth, RRH = texHeight), TRXDIR 0
//   per chunk: a GIF tag alone (NLOOP = chunk, EOP, FLG IMAGE), then the chunk
//            sent by DMA straight from the pixels; the first chunk takes the
//            remainder of T / 16384 quadwords, full chunks of 16384 follow
//   A+D x1   TEXFLUSH (any value)
// NOTE: the transfer writes rows 512 texels apart from textureArea on, so a
// texture wider than 512 or taller than the rest of GS memory would wrap into
// the depth and frame buffers: PS2DrawTexCheck refuses those.
#include "ps2drawtex.h"
#include "gsregs.h"
#include "ps2packet.h"
#include "ps2screen.h"

#include <cstring>

enum { TEX_MAX_HEIGHT = 1024 };
enum : uint64_t { TEXFLUSH_VALUE = 0x42 };  // any: TEXFLUSH ignores its value

// Pixel address of the last upload, written by PS2DrawTexUpload. Every call
// uploads all the same: a caller may rewrite the pixels between two calls.
static const void *currentTexture;

int PS2DrawTexGetWH(uint16_t size)
{
  uint16_t rest = (uint16_t)(size - 1);
  int exponent = 0;
  while (rest) {
    rest >>= 1;
    exponent++;
  }
  return exponent;
}

int32_t PS2DrawTexCheck(uint16_t texWidth, uint16_t texHeight, const void *pixels)
{
  const PS2VideoMode *mode = PS2ScreenGetVideoMode();
  const PS2VideoRam *ram = PS2ScreenGetVideoRAM();
  if (!pixels)
    return PS2TEX_ERR_NULL;
  // TEX0's TW and TH stop at 1024 texels; rows are `width` texels apart.
  if (texWidth == 0 || texHeight == 0 || texWidth > mode->width || texHeight > TEX_MAX_HEIGHT)
    return PS2TEX_ERR_SIZE;
  int64_t end = (int64_t)ram->textureArea +
                ((int64_t)(texHeight - 1) * mode->width + texWidth) * 4;
  if (ram->textureArea < 0 || end > GS_MEMORY_BYTES)
    return PS2TEX_ERR_SIZE;
  return PS2TEX_OK;
}

static void sendImageTag(int quadwords)
{
  packet[0] = GsPack(GifTAG.NLOOP, (uint64_t)quadwords) | GsPack(GifTAG.EOP, 1) |
              GsPack(GifTAG.FLG, GIF_FLG_IMAGE);
  packet[1] = 0;  // IMAGE data needs no descriptors
  packet_offset = 2;
  packet_size = 1;
  GifSend();
}

// A pixel count that is not a multiple of 4 ends in a partial quadword: it is
// sent from a padded copy (the GS drops the padding), never read past the pixels.
static void sendTail(const unsigned char *source, int pixelsLeft)
{
  alignas(16) unsigned char tail[16] = {0};
  std::memcpy(tail, source, (size_t)pixelsLeft * 4);
  sendImageTag(1);
  GifSendFrom(tail, 1);
}

void PS2DrawTexUpload(uint16_t texWidth, uint16_t texHeight, const void *pixels)
{
  const PS2VideoMode *mode = PS2ScreenGetVideoMode();
  const PS2VideoRam *ram = PS2ScreenGetVideoRAM();
  if (PS2DrawTexCheck(texWidth, texHeight, pixels) != PS2TEX_OK)
    return;
  currentTexture = pixels;

  PacketBeginAD(4);
  PacketAddAD(GsPack(GsBITBLTBUF.DBP, (uint64_t)(ram->textureArea / GS_BLOCK_BYTES)) |
                  GsPack(GsBITBLTBUF.DBW, mode->width / GS_WIDTH_UNIT) |
                  GsPack(GsBITBLTBUF.DPSM, GS_PSMCT32),
              GS_BITBLTBUF);
  PacketAddAD(GsPack(GsTRXPOS.DSAX, 0) | GsPack(GsTRXPOS.DSAY, 0), GS_TRXPOS);
  PacketAddAD(GsPack(GsTRXREG.RRW, texWidth) | GsPack(GsTRXREG.RRH, texHeight), GS_TRXREG);
  PacketAddAD(GsPack(GsTRXDIR.XDIR, GS_XDIR_HOST_TO_LOCAL), GS_TRXDIR);
  GifSend();

  uint32_t pixelCount = (uint32_t)texWidth * texHeight;
  uint32_t total = pixelCount / 4;
  const unsigned char *source = (const unsigned char *)pixels;
  uint32_t full = (uint32_t)TEX_CHUNK_QWC;
  uint32_t chunk = total % full ? total % full : full;
  for (uint32_t sent = 0; sent < total; sent += chunk, chunk = full) {
    sendImageTag((int)chunk);
    GifSendFrom(source, (int)chunk);
    source += (size_t)chunk * 16;
  }
  if (pixelCount % 4)
    sendTail(source, (int)(pixelCount % 4));

  PacketBeginAD(1);
  PacketAddAD(TEXFLUSH_VALUE, GS_TEXFLUSH);
  GifSend();
}
