// The display circuit and the presenters that show its picture.
//
// The picture is what read circuit 2 shows: (DW + 1) / (MAGH + 1) by
// (DH + 1) / (MAGV + 1) pixels of the PSMCT32 buffer DISPFB2 names, from
// (DBX, DBY), over BGCOLOR when circuit 2 is off. A write of DISPFB2 is a flip:
// the window (when open) shows it at once. At the end of every call of the
// draw callback the picture of the last flip is that call's frame, and goes to
// the PNG, video and checksum presenters, numbered from 0; the blank frames
// of the screen set-up come before the loop and are not frames.
#include "display_present.h"
#include "gsdraw.h"
#include "gsregs.h"
#include "machine_internal.h"
#include "machine_regs.h"

#include <cstdio>
#include <cstdlib>
#include <zlib.h>

int MachineGetDisplayPicture(std::vector<uint32_t> *pixels, int *width, int *height)
{
  uint64_t display = machineRegValue(DISPLAY2), fb = machineRegValue(DISPFB2);
  if (display == 0)
    return -1;  // the display circuit has not been set up
  gsQueueSync();
  int w = (int)((GsGet(display, GsDISPLAY.DW) + 1) / (GsGet(display, GsDISPLAY.MAGH) + 1));
  int h = (int)((GsGet(display, GsDISPLAY.DH) + 1) / (GsGet(display, GsDISPLAY.MAGV) + 1));
  uint32_t base = (uint32_t)GsGet(fb, GsDISPFB.FBP) * (GS_PAGE_BYTES / 4);
  uint32_t pitch = (uint32_t)GsGet(fb, GsDISPFB.FBW) * GS_WIDTH_UNIT;
  uint32_t dbx = (uint32_t)GsGet(fb, GsDISPFB.DBX), dby = (uint32_t)GsGet(fb, GsDISPFB.DBY);
  int circuit2 = (int)GsGet(machineRegValue(PMODE), GsPMODE.EN2);
  uint64_t bg = machineRegValue(BGCOLOR);
  uint32_t background = (uint32_t)GsGet(bg, GsBGCOLOR.R) | (uint32_t)GsGet(bg, GsBGCOLOR.G) << 8 |
                        (uint32_t)GsGet(bg, GsBGCOLOR.B) << 16;  // a picture pixel: R, G, B bytes
  pixels->resize((size_t)w * (size_t)h);
  for (int y = 0; y < h; y++) {
    uint32_t row = base + (dby + (uint32_t)y) * pitch + dbx;
    uint32_t *out = pixels->data() + (size_t)y * (size_t)w;
    for (int x = 0; x < w; x++)
      out[x] = circuit2 ? gsMem[(row + (uint32_t)x) & GS_MEM_MASK] & 0xFFFFFF : background;
  }
  *width = w;
  *height = h;
  return 0;
}

// The current picture, reused for every frame: written and read only here.
static std::vector<uint32_t> picture;
static int pictureWidth, pictureHeight;

void machineDisplayFlip(void)
{
  gsStats.flips++;
  const MachineConfig *config = MachineGetConfig();
  if (config->window && MachineGetFrameCount() >= config->startFrame &&
      MachineGetDisplayPicture(&picture, &pictureWidth, &pictureHeight) == 0)
    presentWindow(picture.data(), pictureWidth, pictureHeight);
}

static void printChecksum(int frame)
{
  std::vector<unsigned char> rgb((size_t)pictureWidth * (size_t)pictureHeight * 3);
  for (size_t i = 0; i < picture.size(); i++) {
    rgb[3 * i] = (unsigned char)picture[i];
    rgb[3 * i + 1] = (unsigned char)(picture[i] >> 8);
    rgb[3 * i + 2] = (unsigned char)(picture[i] >> 16);
  }
  uLong crc = crc32(0L, rgb.data(), (uInt)rgb.size());
  std::fprintf(stderr, "%d %08lx\n", frame, (unsigned long)crc);
}

// Frames before --start are drawn for the show's state (its clock, its
// scroll text) but the GS leaves their pixels alone: nobody sees them.
void machineDisplaySkipping(int frame)
{
  gsDrawingOff = frame < MachineGetConfig()->startFrame;
}

int machineDisplayFrameDone(int frame)
{
  const MachineConfig *config = MachineGetConfig();
  if (frame < config->startFrame)
    return presentWindowEvents(frame, nullptr, 0, 0);
  int exporting = !config->pngDir.empty() || !config->videoFile.empty();
  int have = MachineGetDisplayPicture(&picture, &pictureWidth, &pictureHeight) == 0;
  if (have && exporting && presentExport(frame, picture.data(), pictureWidth, pictureHeight) != 0)
    return 1;
  if (have && config->checksums)
    printChecksum(frame);
  else if (exporting)
    presentProgress(frame - config->startFrame + 1);
  return presentWindowEvents(frame, have ? picture.data() : nullptr, pictureWidth, pictureHeight);
}
