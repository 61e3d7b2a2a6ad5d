// Fixed buffers: nothing is written past them, big surfaces come out in
// batches without loss, vertex buffers grow at load time, and what cannot be
// held is dropped with one console line.
#include "rendertest.h"

#include <cstring>

#include "machine.h"

static const int32_t kCanary = 0x5a5a5a5a;

static bool canaryIntact(const std::vector<ScreenVertex> &store, size_t from)
{
  for (size_t i = from; i < store.size(); i++)
    if (store[i].x != kCanary || store[i].y != kCanary ||
        memcmp(&store[i].hw, &kCanary, sizeof kCanary) != 0)
      return false;
  return true;
}

static std::vector<ScreenVertex> canaries(size_t n)
{
  ScreenVertex c;
  memset(&c, 0x5a, sizeof c);
  return std::vector<ScreenVertex>(n, c);
}

TEST(RenderCapacity, VertexBufferNeverOverrunAndGrowsAtLoadTime)
{
  renderSetUp();
  std::string console;
  MachineCaptureConsole(&console);
  std::vector<float> points(3 * 12);
  for (int i = 0; i < 12; i++) {
    points[3 * i] = (float)(10 * i);
    points[3 * i + 1] = (float)(i % 3) * 20;
    points[3 * i + 2] = -3.0f;  // w = -2, in front; z = -0.5 on the screen
  }
  std::vector<ScreenVertex> store = canaries(12);
  VertexBuffer vb = {store.data(), 10, 0};
  EXPECT_EQ(BuildVertexBuffer(points.data(), nullptr, &vb, 12), 10);
  EXPECT_EQ(BuildVertexBuffer(points.data(), nullptr, &vb, 12), 10);
  EXPECT_EQ(vb.count, 10);
  EXPECT_TRUE(canaryIntact(store, 10));
  EXPECT_EQ(RenderGetStats()->pointsLost, 4);
  // A triangle on a point that did not fit is not drawn; the others are.
  std::vector<ScreenVertex> out(RENDER_PIECES_MAX * 3);
  TriangleBuffer tb = {out.data(), RENDER_PIECES_MAX};
  int32_t tris[] = {0, 4, 11, 0, 11, 4, 0, 4, 5, 0, 5, 4, -1, 2, 3};
  int32_t n = 0;
  EXPECT_EQ(BuildTriangleBuffer(&vb, nullptr, tris, 5, 0, &tb, &n, 0), 5);
  EXPECT_EQ(n, 1);
  EXPECT_EQ(RenderGetStats()->trianglesBad, 3);
  MachineCaptureConsole(nullptr);
  EXPECT_EQ(countOf(console, "do not fit the vertex buffer"), 1);

  // Growing keeps the records (an environment-mapped draw may still read
  // their eu and ev) and then takes every point.
  store[3].eu = 0.25f;
  EXPECT_EQ(RenderVertexBufferReserve(&vb, 5), 0);  // already big enough
  EXPECT_EQ(vb.records, store.data());
  // The pool bytes the grown block will take hold old data: the records past
  // the old ones must still come out zero, the old ones as they were.
  void *dirty = MemAllocUninit(4096);
  ASSERT_NE(dirty, nullptr);
  memset(dirty, 0xAB, 4096);
  ASSERT_EQ(MemFreeLast(dirty), 1);
  EXPECT_EQ(RenderVertexBufferReserve(&vb, 12), 0);
  EXPECT_NE(vb.records, store.data());
  EXPECT_EQ(vb.capacity, 12);
  EXPECT_EQ(vb.records[3].eu, 0.25f);
  EXPECT_EQ(memcmp(vb.records, store.data(), 10 * sizeof(ScreenVertex)), 0);
  static const ScreenVertex zero = {};
  EXPECT_EQ(memcmp(&vb.records[10], &zero, sizeof zero), 0);
  EXPECT_EQ(memcmp(&vb.records[11], &zero, sizeof zero), 0);
  EXPECT_EQ(BuildVertexBuffer(points.data(), nullptr, &vb, 12), 12);
  EXPECT_EQ(RenderVertexBufferReserve(&vb, -1), RENDER_ERR_ARGUMENT);
  EXPECT_EQ(RenderVertexBufferReserve(nullptr, 1), RENDER_ERR_NULL);
  EXPECT_EQ(RenderVertexBufferReserve(&vb, 0x7fffffff), RENDER_ERR_MEMORY);
  EXPECT_EQ(vb.capacity, 12);
}

// A row of thin triangles, each with one corner beyond z = 1 (two pieces each)
// and some crossing the right edge.
static void makeStrip(int count, std::vector<ScreenVertex> &records, std::vector<int32_t> &tris)
{
  records.clear();
  tris.clear();
  for (int i = 0; i < count; i++) {
    int32_t x = (i * 7) % 600;
    records.push_back(sv(x, 10 + i % 50, 0.2f, 0.1f, 0.2f));
    records.push_back(sv(x + 40, 30 + i % 50, 0.4f, 0.3f, 0.4f));
    records.push_back(sv(x + 5, 150 + i % 50, i % 4 ? 0.6f : 3.0f, 0.5f, 0.6f));
    int32_t b = 3 * i;
    if (facingOf(records[b], records[b + 1], records[b + 2]) <= 0)
      tris.insert(tris.end(), {b, b + 1, b + 2});
    else
      tris.insert(tris.end(), {b, b + 2, b + 1});
  }
}

// Runs every batch into a buffer of `capacity` triangles backed by canaries;
// returns the concatenated list.
static std::vector<ScreenVertex> runBatches(std::vector<ScreenVertex> &records,
                                            const std::vector<int32_t> &tris, int32_t capacity,
                                            int *batches)
{
  std::vector<ScreenVertex> store = canaries(3 * (size_t)capacity + 3), all;
  VertexBuffer vb = {records.data(), (int32_t)records.size(), (int32_t)records.size()};
  TriangleBuffer tb = {store.data(), capacity};
  int32_t count = (int32_t)tris.size() / 3;
  *batches = 0;
  for (int32_t t = 0; t < count;) {
    int32_t n = -1, used = BuildTriangleBuffer(&vb, nullptr, tris.data(), count, t, &tb, &n, 0);
    EXPECT_GT(used, 0);
    if (used <= 0)
      break;
    EXPECT_LE(n, capacity);
    EXPECT_TRUE(canaryIntact(store, 3 * (size_t)capacity));
    all.insert(all.end(), store.begin(), store.begin() + 3 * n);
    t += used;
    ++*batches;
  }
  return all;
}

TEST(RenderCapacity, BigSurfacesComeOutWholeInBatches)
{
  renderSetUp();
  std::vector<ScreenVertex> records;
  std::vector<int32_t> tris;
  makeStrip(10000, records, tris);
  int batches = 0;
  auto whole = runBatches(records, tris, 1000000, &batches);
  EXPECT_EQ(batches, 1);
  EXPECT_GT(whole.size() / 3, (size_t)RENDER_TRIANGLES);  // more than one default buffer holds
  for (int32_t capacity : {(int32_t)RENDER_TRIANGLES, 100, (int32_t)RENDER_PIECES_MAX}) {
    SCOPED_TRACE(capacity);
    auto pieces = runBatches(records, tris, capacity, &batches);
    EXPECT_GE(batches, (int)(whole.size() / 3 / capacity));
    ASSERT_EQ(pieces.size(), whole.size());
    EXPECT_EQ(memcmp(pieces.data(), whole.data(), whole.size() * sizeof(ScreenVertex)), 0);
  }
  EXPECT_EQ(RenderGetStats()->trianglesLost, 0);

  // Start and count are checked.
  VertexBuffer vb = {records.data(), 3, 3};
  TriangleBuffer tb = {records.data(), 1};
  int32_t n = 7;
  EXPECT_EQ(BuildTriangleBuffer(&vb, nullptr, tris.data(), 1, 2, &tb, &n, 0), RENDER_ERR_ARGUMENT);
  EXPECT_EQ(n, 0);
  EXPECT_EQ(BuildTriangleBuffer(&vb, nullptr, tris.data(), -1, 0, &tb, &n, 0), RENDER_ERR_ARGUMENT);
  EXPECT_EQ(BuildTriangleBuffer(&vb, nullptr, nullptr, 1, 0, &tb, &n, 0), RENDER_ERR_NULL);
  EXPECT_EQ(BuildTriangleBuffer(&vb, nullptr, tris.data(), 1, 0, nullptr, &n, 0), RENDER_ERR_NULL);
  EXPECT_EQ(BuildTriangleBuffer(&vb, nullptr, tris.data(), 1, 1, &tb, &n, 0), 0);
}

// Only a buffer smaller than one triangle's pieces loses anything, and says so once.
TEST(RenderCapacity, TooSmallBufferDropsWithOneConsoleLine)
{
  renderSetUp(512, 224);
  std::string console;
  MachineCaptureConsole(&console);
  // Crosses all four edges: several pieces.
  std::vector<ScreenVertex> records = {sv(256, -300, 0.5f), sv(-300, 500, 0.5f), sv(800, 500, 0.5f)};
  std::vector<int32_t> tris = {0, 1, 2, 0, 1, 2};
  if (facingOf(records[0], records[1], records[2]) > 0)
    tris = {0, 2, 1, 0, 2, 1};
  int batches = 0;
  auto out = runBatches(records, tris, 1, &batches);
  EXPECT_EQ(batches, 2);
  EXPECT_EQ(out.size(), 6u);
  EXPECT_GT(RenderGetStats()->trianglesLost, 0);
  out = runBatches(records, tris, 0, &batches);
  EXPECT_EQ(out.size(), 0u);
  MachineCaptureConsole(nullptr);
  EXPECT_EQ(countOf(console, "too small"), 1);
}
