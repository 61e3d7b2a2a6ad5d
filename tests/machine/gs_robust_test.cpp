// Packets however wrong stay inside the model: random register values for
// every buffer, texture, scissor and transfer, and random GIF streams. Run
// under AddressSanitizer, any access outside GS memory or a host buffer fails.
#include <gtest/gtest.h>

#include <random>
#include <vector>

#include "machine_regs.h"
#include "testkit.h"

namespace {

// A scissor of at most 64 x 64 pixels anywhere in the 2048 x 2048 window, so
// that random primitives stay cheap to draw.
uint64_t smallScissor(std::mt19937_64 &rng)
{
  uint64_t x = rng() % 2048, y = rng() % 2048;
  return x | std::min<uint64_t>(x + rng() % 64, 2047) << 16 | y << 32 |
         std::min<uint64_t>(y + rng() % 64, 2047) << 48;
}

}  // namespace

TEST(GsRobust, RandomRegisterValuesAndPrimitivesStayInsideMemory)
{
  MachineForTest(".");
  std::mt19937_64 rng(2026);
  const int regs[] = {0x06, 0x07, 0x08, 0x14, 0x18, 0x1A, 0x1B, 0x47, 0x4C, 0x4E, 0x50,
                      0x51, 0x52, 0x01, 0x03, 0x02};
  for (int round = 0; round < 300; round++) {
    std::vector<uint64_t> words = {0x1000000000008000ull + 40, 0xE};
    for (int i = 0; i < 40; i++) {
      int kind = (int)(rng() % 4);
      uint64_t value = rng(), address;
      if (kind == 0) {
        address = (uint64_t)regs[rng() % (sizeof regs / sizeof regs[0])];
      } else if (kind == 1) {
        address = 0x40 + (rng() & 1);  // SCISSOR_1 or _2
        value = smallScissor(rng);
      } else if (kind == 2) {
        address = 0x00;  // any primitive, either context, any attribute
        value &= 0x7FF;
      } else {
        address = (rng() & 1) ? 0x05 : 0x04;
      }
      words.push_back(value);
      words.push_back(address);
    }
    GsSend(words);
    // An image transfer with random geometry and more or less data than it asks.
    if (round % 10 == 0) {
      std::vector<uint64_t> image = {0x1000000000008004ull, 0xE, rng(), 0x50, rng(), 0x51,
                                     rng() % 4096 | (rng() % 64) << 32, 0x52, 0, 0x53};
      uint64_t n = rng() % 300 + 1;
      image.push_back(n | 0x8000 | 2ull << 58);
      image.push_back(0);
      for (uint64_t i = 0; i < 2 * n; i++)
        image.push_back(rng());
      GsSend(image);
    }
  }
  // Random GIF streams: tags of every kind with random counts and descriptors.
  for (int round = 0; round < 50; round++) {
    std::vector<uint64_t> words;
    for (int i = 0; i < 64; i++) {
      words.push_back(rng() & ~(0x7FF0ull << 0));  // keep NLOOP of tags small
      words.push_back(rng());
    }
    // Scissor writes inside the stream are cut down before the stream is sent.
    for (size_t i = 0; i + 1 < words.size(); i += 2)
      if ((words[i + 1] & 0x7E) == 0x40)
        words[i + 1] = 0x3F;
    GsSend(words);
  }
  // The model is still sound: a reset and a known primitive draw as usual.
  MachineForTest(".");
  GsSend({0x1000000000008005ull, 0xE, 1 << 16, 0x4C, 63ull << 16 | 63ull << 48, 0x40, 6, 0x00,
        0x00112233, 0x01, 0, 0x05});
  GsSend({0x1000000000008001ull, 0xE, 16 | 16 << 16, 0x05});
  EXPECT_EQ(MachineReadGsPixel(0, 64, 0, 0), 0x00112233u);
  EXPECT_EQ(MachineReadGsPixel(0, 64, 1, 0), 0u);
}
