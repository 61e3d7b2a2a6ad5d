// Packed streams: round trips, the codes the tie rules give, and damaged streams.
#include "filepack.h"
#include "mem.h"
#include "testkit.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <filesystem>
#include <map>
#include <random>

namespace {

std::vector<uint8_t> Bytes(const std::string &text)
{
  return std::vector<uint8_t>(text.begin(), text.end());
}

// Each value repeated by its count, values in increasing order.
std::vector<uint8_t> Counted(const std::map<uint8_t, size_t> &counts)
{
  std::vector<uint8_t> data;
  for (auto [value, count] : counts)
    data.insert(data.end(), count, value);
  return data;
}

// Packs; the stream, or empty when FilePack refused.
std::vector<uint8_t> Pack(const std::vector<uint8_t> &data)
{
  MemFreeAll();
  MemInit();
  void *packed = nullptr;
  int32_t size = 0;
  if (FilePack(data.data(), (int32_t)data.size(), &packed, &size) != PACK_OK)
    return {};
  const uint8_t *bytes = (const uint8_t *)packed;
  return std::vector<uint8_t>(bytes, bytes + size);
}

int32_t Unpack(const std::vector<uint8_t> &stream, std::vector<uint8_t> *out)
{
  out->assign(FileGetUnpackedSize(stream.data(), (int32_t)stream.size()), 0xEE);
  return FileUnpack(stream.data(), (int32_t)stream.size(), out->data(), (int32_t)out->size());
}

// The stream's code table read independently: value -> "0101" strings.
std::map<int, std::string> Codes(const std::vector<uint8_t> &stream)
{
  size_t position = 96;
  auto bits = [&](uint32_t n) {
    uint32_t v = 0;
    for (uint32_t i = 0; i < n; i++, position++)
      v = (v << 1) | ((stream[position / 8] >> (7 - position % 8)) & 1);
    return v;
  };
  std::vector<int> present;
  for (int value = 0; value < 256; value++)
    if (bits(1))
      present.push_back(value);
  uint32_t width = bits(8);
  std::map<int, std::string> codes;
  for (int value : present) {
    uint32_t length = bits(width);
    std::string code;
    for (uint32_t i = 0; i < length; i++)
      code += bits(1) ? '1' : '0';
    codes[value] = code;
  }
  return codes;
}

void ExpectRoundTrip(const std::vector<uint8_t> &data, const std::string &what)
{
  std::vector<uint8_t> stream = Pack(data);
  if (stream.empty())
    return;  // refused (too small to gain): the archive stores such members
  EXPECT_LT(stream.size(), data.size()) << what;
  std::vector<uint8_t> out;
  ASSERT_EQ(Unpack(stream, &out), PACK_OK) << what;
  EXPECT_TRUE(out == data) << what;
  uint32_t checksum = 0, size = 0;
  ASSERT_EQ(FileGetPackedHeader(stream.data(), (int32_t)stream.size(), &checksum, &size), PACK_OK);
  EXPECT_EQ(checksum, computeChecksum(data.data(), (int32_t)data.size())) << what;
}

}  // namespace

TEST(FilePack, TieRulesDecideTheCodes)
{
  // a: 3, b: 1, c: 1 (scaled so the stream fits): b and c merge behind a.
  std::vector<uint8_t> stream = Pack(Counted({{'a', 300}, {'b', 100}, {'c', 100}}));
  ASSERT_FALSE(stream.empty());
  EXPECT_EQ(Codes(stream), (std::map<int, std::string>{{'a', "0"}, {'b', "10"}, {'c', "11"}}));
  EXPECT_EQ(stream[44], 2);  // W
  // a: 2, b: 1, c: 1: the merged node of equal weight stays behind a.
  stream = Pack(Counted({{'a', 200}, {'b', 100}, {'c', 100}}));
  EXPECT_EQ(Codes(stream), (std::map<int, std::string>{{'a', "0"}, {'b', "10"}, {'c', "11"}}));
  // Two values: the lighter one is child1; with equal weights the smaller value gets 0.
  EXPECT_EQ(Codes(Pack(Counted({{'x', 50}, {'y', 150}}))),
            (std::map<int, std::string>{{'x', "1"}, {'y', "0"}}));
  EXPECT_EQ(Codes(Pack(Counted({{'x', 100}, {'y', 100}}))),
            (std::map<int, std::string>{{'x', "0"}, {'y', "1"}}));
}

TEST(FilePack, StreamBytesAreFixed)
{
  // Header, presence map with 'a' (0x61) and 'b' (0x62), W = 1, the table,
  // then 48 'a' as 0 bits and 16 'b' as 1 bits, then the zero byte.
  std::vector<uint8_t> data = Counted({{'a', 48}, {'b', 16}});
  std::vector<uint8_t> expected = {'P', 'A', 'K', '1', 0, 0, 0x18, 0x50, 0, 0, 0, 64};
  expected.resize(45, 0);
  expected[12 + 0x61 / 8] = 0x40 | 0x20;  // bits for 0x61 and 0x62
  expected[44] = 1;
  // table: L=1 code 0, L=1 code 1 -> 1 0 1 1; data: 48 zeros, 16 ones; then 8 zeros.
  std::vector<uint8_t> tail = {0xB0, 0, 0, 0, 0, 0, 0x0F, 0xFF, 0xF0};
  expected.insert(expected.end(), tail.begin(), tail.end());
  std::vector<uint8_t> stream = Pack(data);
  EXPECT_EQ(stream, expected);
  EXPECT_EQ(Pack(data), stream);  // the same input always packs to the same bytes
}

TEST(FilePack, GeneratedCasesRoundTrip)
{
  std::mt19937 random(7);
  std::vector<uint8_t> text, noise(3 << 20), all(256 * 64);
  while (text.size() < (4u << 20))
    for (const char *word : {"the ", "scene ", "loads ", "one ", "archive\n", "of ", "objects "})
      text.insert(text.end(), word, word + strlen(word)), text.push_back('a' + random() % 26);
  for (uint8_t &b : noise)
    b = (uint8_t)random();
  for (size_t i = 0; i < all.size(); i++)
    all[i] = (uint8_t)(i * 7 + i / 256);
  ExpectRoundTrip(text, "text");
  ExpectRoundTrip(noise, "random bytes");
  ExpectRoundTrip(std::vector<uint8_t>(100000, 'z'), "one value repeated");
  ExpectRoundTrip(Counted({{0, 70000}, {255, 30000}}), "two values");
  ExpectRoundTrip(all, "all 256 values");
  // One value repeated now has a stream (a 1-bit code), where it had none.
  EXPECT_FALSE(Pack(std::vector<uint8_t>(1000, 0)).empty());
  // All 256 values: the presence map is all ones.
  std::vector<uint8_t> skewed = all;
  skewed.insert(skewed.end(), 200000, 'e');
  std::vector<uint8_t> stream = Pack(skewed);
  ASSERT_FALSE(stream.empty());
  EXPECT_EQ(std::vector<uint8_t>(stream.begin() + 12, stream.begin() + 44), std::vector<uint8_t>(32, 0xFF));
  // Too small to gain: empty input, one byte, 46 bytes (the header alone is 45).
  EXPECT_TRUE(Pack({}).empty());
  EXPECT_TRUE(Pack({'q'}).empty());
  EXPECT_TRUE(Pack(std::vector<uint8_t>(46, 0)).empty());
  EXPECT_FALSE(Pack(std::vector<uint8_t>(60, 0)).empty());
}

TEST(FilePack, CorpusRoundTrips)
{
  REQUIRE_CORPUS();
  int packed = 0;
  for (const auto &entry : std::filesystem::recursive_directory_iterator(CorpusDir())) {
    if (!entry.is_regular_file())
      continue;
    std::string bytes = ReadHostFile(entry.path().string());
    std::vector<uint8_t> data(bytes.begin(), bytes.end());
    ExpectRoundTrip(data, entry.path().string());
    packed += !Pack(data).empty();
  }
  EXPECT_GT(packed, 20);
}

TEST(FilePack, CodesLongerThan32BitsAreRefused)
{
  // Fibonacci counts make a chain: n values give a code of n - 1 bits.
  auto fibonacci = [](int values) {
    std::map<uint8_t, size_t> counts;
    size_t a = 1, b = 1;
    for (int i = 0; i < values; i++, b = a + b, a = b - a)
      counts[(uint8_t)i] = a;
    return Counted(counts);
  };
  std::vector<uint8_t> longest = fibonacci(33);  // 32-bit codes: still packs
  // Shuffled, so that long and short codes follow each other in every way.
  std::shuffle(longest.begin(), longest.end(), std::mt19937(1));
  std::vector<uint8_t> stream = Pack(longest);
  ASSERT_FALSE(stream.empty());
  EXPECT_EQ(stream[44], 32);
  std::vector<uint8_t> out;
  ASSERT_EQ(Unpack(stream, &out), PACK_OK);
  EXPECT_TRUE(out == longest);
  std::vector<uint8_t> tooLong = fibonacci(34);
  void *packed = &packed;
  int32_t size = 1;
  MemFreeAll();
  MemInit();
  EXPECT_EQ(FilePack(tooLong.data(), (int32_t)tooLong.size(), &packed, &size), PACK_ERR_FAILED);
  EXPECT_EQ(packed, nullptr);
  EXPECT_EQ(size, 0);
}

TEST(FileUnpack, DamagedStreamsFail)
{
  std::vector<uint8_t> data = Counted({{'a', 300}, {'b', 100}, {'c', 100}});
  std::vector<uint8_t> good = Pack(data);
  ASSERT_FALSE(good.empty());
  std::vector<uint8_t> out;
  // Not a prefix code: b's code "10" turned into "00", under a's leaf "0".
  std::vector<uint8_t> notPrefix = good;
  size_t bBit = 360 + 3 + 2;  // after a's length and code, b's length (2 bits), then its code
  notPrefix[bBit / 8] &= (uint8_t) ~(0x80 >> (bBit % 8));
  EXPECT_EQ(Unpack(notPrefix, &out), PACK_ERR_FAILED);
  // A missing child: drop c from the presence map (value 'c' = 0x63), so
  // its table entry is gone and data bits "11" lead nowhere.
  std::vector<uint8_t> twoCodes = Pack(Counted({{'a', 300}, {'b', 100}, {'c', 100}}));
  twoCodes[12 + 0x63 / 8] &= (uint8_t) ~(0x80 >> (0x63 % 8));
  EXPECT_EQ(Unpack(twoCodes, &out), PACK_ERR_FAILED);
  // Data running out: cut anywhere, or a size that claims more bytes.
  for (size_t keep : {size_t(0), size_t(11), size_t(44), size_t(50), good.size() - 10})
    EXPECT_EQ(FileUnpack(good.data(), (int32_t)keep, out.data(), (int32_t)data.size()), PACK_ERR_FAILED) << keep;
  std::vector<uint8_t> bigger = good;
  bigger[10] = 0x02, bigger[11] = 0x08;  // 520 bytes, 20 more than the data holds
  out.assign(520, 0);
  EXPECT_EQ(FileUnpack(bigger.data(), (int32_t)bigger.size(), out.data(), (int32_t)out.size()), PACK_ERR_FAILED);
  // An output block smaller than the unpacked size is not written past.
  out.assign(10, 0x55);
  EXPECT_EQ(FileUnpack(good.data(), (int32_t)good.size(), out.data(), 10), PACK_ERR_FAILED);
  EXPECT_EQ(out, std::vector<uint8_t>(10, 0x55));
  // No signature.
  std::vector<uint8_t> archive = Bytes("DAT1\0\0\0\0\0\0\0\0\0\0\0\0");
  EXPECT_EQ(FileGetUnpackedSize(archive.data(), (int32_t)archive.size()), 0u);
  EXPECT_EQ(FileUnpack(archive.data(), (int32_t)archive.size(), out.data(), 10), PACK_ERR_FAILED);
  EXPECT_EQ(Unpack(good, &out), PACK_OK);
  EXPECT_EQ(out, data);
}

namespace {

// A stream written by hand from a code table (value -> "0101") and the
// data's code bits, so that tables the packer never writes can be tried.
std::vector<uint8_t> HandStream(const std::map<int, std::string> &codes, const std::string &dataBits,
                                uint32_t size)
{
  std::vector<uint8_t> stream;
  size_t position = 0;
  auto put = [&](uint32_t value, size_t count) {
    for (size_t i = count; i-- > 0; position++) {
      if (position / 8 >= stream.size())
        stream.push_back(0);
      if ((value >> i) & 1)
        stream[position / 8] |= (uint8_t)(0x80 >> (position % 8));
    }
  };
  for (char c : std::string("PAK1"))
    put((uint8_t)c, 8);
  put(0, 32);
  put(size, 32);
  size_t width = 0;
  for (const auto &[value, code] : codes)
    width = std::max(width, code.size());
  for (int value = 0; value < 256; value++)
    put(codes.count(value) ? 1 : 0, 1);
  put((uint32_t)width, 8);
  for (const auto &[value, code] : codes) {
    put((uint32_t)code.size(), width);
    for (char c : code)
      put(c == '1', 1);
  }
  for (char c : dataBits)
    put(c == '1', 1);
  put(0, 8);
  stream.resize(position / 8);
  return stream;
}

}  // namespace

TEST(FileUnpack, CodesPastTheLookupTable)
{
  // Codes of 14 and 15 bits share their first 12 bits and are decoded past
  // the lookup table, between short codes, in small and large members.
  std::map<int, std::string> codes = {{'a', "0"}, {'b', "10"}, {'c', "110"}, {'f', "1111"},
                                      {'d', "11100000000000"}, {'e', "111000000000010"}};
  std::string unit = "abdefcdd";
  for (size_t repeats : {size_t(1), size_t(700)}) {
    std::string text, bits;
    for (size_t i = 0; i < repeats; i++)
      text += unit;
    for (char c : text)
      bits += codes[c];
    std::vector<uint8_t> out;
    ASSERT_EQ(Unpack(HandStream(codes, bits, (uint32_t)text.size()), &out), PACK_OK) << repeats;
    EXPECT_EQ(std::string(out.begin(), out.end()), text);
    // The same data ending in bits that lead to a missing child past the table.
    std::string stray = bits + "1110000000001";
    EXPECT_EQ(Unpack(HandStream(codes, stray, (uint32_t)text.size() + 1), &out), PACK_ERR_FAILED);
  }
  // Tables that are not prefix codes, whichever value comes first: a short
  // code under a long one, a long code under a longer one, two equal codes.
  const std::map<int, std::string> clashes[] = {
      {{1, "11100000000000"}, {2, "111"}, {3, "0"}},
      {{1, "111"}, {2, "11100000000000"}, {3, "0"}},
      {{1, "111000000000011"}, {2, "1110000000000"}, {3, "0"}},
      {{1, "11100000000001"}, {2, "11100000000001"}, {3, "0"}},
      {{1, "0110"}, {2, "01"}, {3, "1"}},
      {{1, "10"}, {2, "10"}, {3, "0"}}};
  for (const auto &table : clashes) {
    std::vector<uint8_t> out;
    EXPECT_EQ(Unpack(HandStream(table, "0000", 4), &out), PACK_ERR_FAILED) << table.begin()->second;
  }
}

namespace {

// `count` values drawn from `codes` (value -> "0101") by a fixed sequence,
// after the values of `lead`: the text and the data bits that code it.
void CodedText(const std::map<int, std::string> &codes, const std::string &lead, size_t count,
               uint32_t seed, std::string *text, std::string *bits)
{
  std::vector<int> values;
  for (const auto &[value, code] : codes)
    values.push_back(value);
  std::mt19937 random(seed);
  *text = lead;
  for (size_t i = 0; i < count; i++)
    text->push_back((char)values[random() % values.size()]);
  bits->clear();
  for (char c : *text)
    *bits += codes.at((uint8_t)c);
}

}  // namespace

// Members of 64 KiB and more are read in pieces by readers that start in
// the middle of the stream, where they cannot know where a code starts. The
// result must be the one reader's whatever happens to them: codes of one
// length never fall in step again when a piece starts off their grid; a
// table with a gap makes a reader that starts off the grid stumble where
// the true codes never lead; long codes (past the lookup table) leave few
// bits in the word. Damage in any piece, a cut stream or a size that claims
// more bytes still fail; a size that claims fewer gives those bytes.
TEST(FileUnpack, LargeMembersReadInPiecesGiveTheOneReadersResult)
{
  const std::map<int, std::string> grid = {{'a', "000"}, {'b', "001"}, {'c', "010"}, {'d', "011"},
                                           {'e', "100"}, {'f', "101"}, {'g', "110"}, {'h', "111"}};
  const std::map<int, std::string> gap = {{'a', "00"}, {'b', "11"}, {'c', "010"}, {'d', "011"}};
  const std::map<int, std::string> longer = {{'a', "0"}, {'b', "10"}, {'c', "110"}, {'f', "1111"},
                                             {'d', "11100000000000"}, {'e', "111000000000010"}};
  const std::map<int, std::string> longest = {{'a', "0"}, {'b', "10"}, {'c', "110"},
                                              {'d', "111" + std::string(21, '0')},
                                              {'e', "111" + std::string(21, '1')}};
  struct Case {
    const std::map<int, std::string> *codes;
    const char *lead;
  } cases[] = {{&grid, ""}, {&gap, "c"}, {&gap, "cd"}, {&longer, "d"}, {&longest, ""}, {&longest, "a"}};
  for (const Case &c : cases) {
    for (size_t count : {size_t(70000), size_t(70001), size_t(70002), size_t(150007)}) {
      std::string text, bits;
      CodedText(*c.codes, c.lead, count, (uint32_t)count, &text, &bits);
      std::string what = c.codes->begin()->second + " " + c.lead + " " + std::to_string(count);
      std::vector<uint8_t> stream = HandStream(*c.codes, bits, (uint32_t)text.size()), out;
      ASSERT_EQ(Unpack(stream, &out), PACK_OK) << what;
      EXPECT_EQ(std::string(out.begin(), out.end()), text) << what;
      // A size short of the data gives its first bytes.
      std::vector<uint8_t> shorter = HandStream(*c.codes, bits, (uint32_t)text.size() - 5);
      ASSERT_EQ(Unpack(shorter, &out), PACK_OK) << what;
      EXPECT_EQ(std::string(out.begin(), out.end()), text.substr(0, text.size() - 5)) << what;
      // A size beyond the data, which ends in the table's last code: the
      // codes after it come from the final zero byte and then from past the
      // stream's end.
      std::vector<uint8_t> more =
          HandStream(*c.codes, bits + c.codes->rbegin()->second, (uint32_t)text.size() + 41);
      EXPECT_EQ(Unpack(more, &out), PACK_ERR_FAILED) << what;
    }
  }
  // Sizes just past the data, which ends in a long code: the one-bit code
  // of 'a' is read from the zero bits that end the stream, which count, and
  // then from past its end, which do not.
  {
    std::string text, bits;
    CodedText(longest, "", 90000, 5, &text, &bits);
    bits += longest.at('d');
    size_t width = 24, header = 45 * 8;
    for (const auto &[value, code] : longest)
      header += width + code.size();
    for (uint32_t extra = 1; extra <= 24; extra++) {
      std::vector<uint8_t> stream = HandStream(longest, bits, (uint32_t)text.size() + 1 + extra), out;
      size_t zeroBits = stream.size() * 8 - header - bits.size();
      EXPECT_EQ(Unpack(stream, &out), extra <= zeroBits ? PACK_OK : PACK_ERR_FAILED) << extra;
    }
  }
  // The gap's "10" put in at a sixth, a half and five sixths of the data,
  // on a code's boundary: the reader of that piece meets it.
  std::string text, bits;
  CodedText(gap, "", 120000, 3, &text, &bits);
  for (size_t sixths : {1, 3, 5}) {
    size_t at = 0;
    for (size_t i = 0; at < bits.size() * sixths / 6; i++)
      at += gap.at((uint8_t)text[i]).size();
    std::string broken = bits.substr(0, at) + "10" + bits.substr(at);
    std::vector<uint8_t> out;
    EXPECT_EQ(Unpack(HandStream(gap, broken, (uint32_t)text.size() + 1), &out), PACK_ERR_FAILED) << sixths;
  }
  std::vector<uint8_t> good = HandStream(gap, bits, (uint32_t)text.size()), out(text.size());
  for (size_t cut : {size_t(3), size_t(12), good.size() / 2})
    EXPECT_EQ(FileUnpack(good.data(), (int32_t)(good.size() - cut), out.data(), (int32_t)out.size()),
              PACK_ERR_FAILED) << cut;
  EXPECT_EQ(Unpack(HandStream(gap, bits, (uint32_t)text.size() + 100), &out), PACK_ERR_FAILED);
}
