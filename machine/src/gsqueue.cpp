// Drawing in bands on several threads.
//
// The program's primitives are kept in a batch, in its order, until something
// needs GS memory as it stands: an image transfer, the display, an inspection
// call, a reset (gsQueueSync). Then the batch is drawn: the picture's rows are
// cut into interleaved bands (gsdraw.h), and the program's thread and its
// helpers take bands in turn, each drawing its rows of every primitive of the
// batch in order, so within a band the pixels come out exactly as when each
// primitive is drawn as it comes. Bands must never share a word of memory,
// nor may one band read what another writes: an environment whose frame,
// depth or texture words could do so ends the batch and is drawn alone
// (registerEnv).
//
// Built without MORVANE_GS_THREADS, or with one drawer (MORVANE_GS_WORKERS=1
// in the environment, MachineSetGsWorkers(1)), every primitive is drawn on
// the program's thread as it comes.
#include "gsdraw.h"
#include "machine_internal.h"

#include <cstdlib>

#if MORVANE_GS_THREADS
#include <atomic>
#include <condition_variable>
#include <mutex>
#include <thread>
#endif

static uint64_t drawNow(const GsDrawEnv *e, const GsBand *band, int kind, const GsVertex *a,
                        const GsVertex *b, const GsVertex *c)
{
  if (kind == GS_KIND_POINT)
    return gsDrawPoint(e, band, a);
  if (kind == GS_KIND_SPRITE)
    return gsDrawSprite(e, band, a, b);
  return gsDrawTriangle(e, band, a, b, c);
}

#if !MORVANE_GS_THREADS

void gsQueueDraw(const GsDrawEnv *env, int, int kind, const GsVertex *a, const GsVertex *b,
                 const GsVertex *c)
{
  GsBand all = {0, 1};
  gsStats.pixels += drawNow(env, &all, kind, a, b, c);
}

void gsQueueSync(void) {}

void MachineSetGsWorkers(int) {}

int MachineGetGsWorkers(void)
{
  return 1;
}

#else

// A batch holds up to BATCH primitives and ENVS environments. Each flush
// cuts the picture into BANDS_PER_DRAWER bands per drawing thread, so a
// thread that starts late (a busy machine) leaves its share to the others.
enum { BATCH = 16384, ENVS = 256, REGIONS = 16, MAX_HELPERS = 3, BANDS_PER_DRAWER = 2 };
// Batches smaller than this are drawn on the program's thread: waking a
// helper costs more than it saves.
enum { SMALL_BATCH = 64 };

struct GsCommand {
  uint32_t env;  // index in envs
  int kind;
  int32_t blockFirst, blockLast;  // the blocks of rows its vertices span, at least
  GsVertex v[3];
};

// Whether a primitive spanning blocks first..last can have rows in `band`:
// a cheap test before the drawing routine's own, for the many small ones.
static inline int mayReach(const GsCommand *c, const GsBand *band)
{
  int span = c->blockLast - c->blockFirst;
  int ahead = (band->index - c->blockFirst % band->count + band->count) % band->count;
  return span >= band->count - 1 || ahead <= span;
}

// Written by the program's thread between flushes, read by every drawer
// during one.
static GsCommand batch[BATCH];
static int batchCount;
static GsDrawEnv envs[ENVS];
static int envCount;

static struct Pool {
  std::thread threads[MAX_HELPERS];
  int count;   // helper threads; the program's thread draws too. 0: no bands
  int bands;   // bands per flush, fixed while helpers run
  int chosen;  // 1 once the count has been chosen
  std::mutex lock;
  std::condition_variable work, finished;
  uint64_t generation;  // flushes started, under lock
  bool stop;            // under lock
  std::atomic<int> nextBand{0}, bandsDone{0};
  std::atomic<uint64_t> pixels{0};
} pool;

static int envPushed, envRegistered;  // the current environment is in envs / in pending

// Draws bands of the batch until none is left to take.
static void drawBands(void)
{
  for (;;) {
    int b = pool.nextBand.fetch_add(1);
    if (b >= pool.bands)
      return;
    GsBand band = {b, pool.bands};
    uint64_t pixels = 0;
    for (int i = 0; i < batchCount; i++) {
      const GsCommand *c = &batch[i];
      if (mayReach(c, &band))
        pixels += drawNow(&envs[c->env], &band, c->kind, &c->v[0], &c->v[1], &c->v[2]);
    }
    pool.pixels.fetch_add(pixels);
    if (pool.bandsDone.fetch_add(1) + 1 == pool.bands) {
      { std::lock_guard<std::mutex> hold(pool.lock); }
      pool.finished.notify_all();
    }
  }
}

static void helperRun(void)
{
  uint64_t seen = 0;
  for (;;) {
    {
      std::unique_lock<std::mutex> hold(pool.lock);
      pool.work.wait(hold, [&] { return pool.stop || pool.generation != seen; });
      if (pool.stop)
        return;
      seen = pool.generation;
    }
    drawBands();
  }
}

// Draws the batch in bands on every drawer and waits for the last band.
static void flushInBands(void)
{
  pool.bandsDone.store(0);
  pool.pixels.store(0);
  {
    std::lock_guard<std::mutex> hold(pool.lock);
    pool.generation++;
    pool.nextBand.store(0);
  }
  pool.work.notify_all();
  drawBands();
  std::unique_lock<std::mutex> hold(pool.lock);
  pool.finished.wait(hold, [] { return pool.bandsDone.load() == pool.bands; });
  gsStats.pixels += pool.pixels.load();
}

static void stopWorkers(void)
{
  gsQueueSync();
  {
    std::lock_guard<std::mutex> hold(pool.lock);
    pool.stop = true;
  }
  pool.work.notify_all();
  for (int i = 0; i < pool.count; i++)
    pool.threads[i].join();
  pool.count = 0;
  pool.stop = false;
}

// Stops the helpers at exit, before the pool goes away.
static struct PoolOwner {
  ~PoolOwner() { stopWorkers(); }
} poolOwner;

// `drawers` threads draw, the program's own among them.
static void startWorkers(int drawers)
{
  int helpers = drawers - 1;
  helpers = helpers > MAX_HELPERS ? MAX_HELPERS : helpers < 0 ? 0 : helpers;
  pool.chosen = 1;
  pool.count = helpers;
  pool.bands = BANDS_PER_DRAWER * (helpers + 1);
  for (int i = 0; i < helpers; i++)
    pool.threads[i] = std::thread(helperRun);
}

// The first primitive chooses the count: MORVANE_GS_WORKERS when set (1 draws
// on the program's thread alone), otherwise two on a machine of three cores or
// more and one below. On two cores a helper costs the show more than it
// gives: the show's batches are short (every texture upload ends one), each
// wakes the helper and waits for it, while the system wants the other core
// (bench_show on two cores: 247-271 fps with one thread, 212-226 with two).
static void chooseWorkers(void)
{
  const char *text = std::getenv("MORVANE_GS_WORKERS");
  int cores = (int)std::thread::hardware_concurrency();
  int count = text && *text ? std::atoi(text) : (cores > 2 ? 2 : 1);
  startWorkers(count);
}

void MachineSetGsWorkers(int count)
{
  stopWorkers();
  startWorkers(count);
}

int MachineGetGsWorkers(void)
{
  if (!pool.chosen)
    chooseWorkers();
  return pool.count + 1;
}

// The words an environment's drawing can touch: its frame and depth rows
// inside the scissor (banded: row y of the picture goes to the worker owning
// y) and its texture (read by every worker).
struct Region {
  uint32_t first, last;  // word indices, first <= last < GS_MEM_WORDS
  uint32_t base, pitch;  // banded regions: how rows map to words
  int banded;
};

// Two regions may be drawn at once unless they overlap and one of them is
// written by bands the other does not map the same way.
static int conflicts(const Region *a, const Region *b)
{
  if (a->last < b->first || b->last < a->first)
    return 0;
  if (!a->banded && !b->banded)
    return 0;
  return !(a->banded && b->banded && a->base == b->base && a->pitch == b->pitch);
}

static int bandedRegion(const GsDrawEnv *e, uint32_t base, Region *r)
{
  uint64_t first = base + (uint64_t)e->SCAY0 * e->pitch + (uint64_t)e->SCAX0;
  uint64_t last = base + (uint64_t)e->SCAY1 * e->pitch + (uint64_t)e->SCAX1;
  *r = {(uint32_t)first, (uint32_t)last, base, e->pitch, 1};
  // Rows of one picture must not share words, nor wrap around memory.
  return (uint32_t)e->SCAX1 < e->pitch && last < GS_MEM_WORDS;
}

static int textureRegion(const GsDrawEnv *e, Region *r)
{
  // Texel coordinates after wrapping stay below 1024, or the texture's size.
  uint64_t rows = e->WMT >= GS_WRAP_REGION_CLAMP ? 1024 : (uint64_t)1 << e->TH;
  uint64_t cols = e->WMS >= GS_WRAP_REGION_CLAMP ? 1024 : (uint64_t)1 << e->TW;
  uint64_t last = e->texBase + (rows - 1) * e->texPitch + cols - 1;
  *r = {e->texBase, (uint32_t)last, 0, 0, 0};
  return last < GS_MEM_WORDS;
}

// The regions of `e` into `out`; returns their number, or -1 when the
// environment cannot be drawn in bands at all.
static int envRegions(const GsDrawEnv *e, Region out[3])
{
  if (e->SCAX0 > e->SCAX1 || e->SCAY0 > e->SCAY1)
    return 0;  // draws nothing
  int n = 0;
  if (!bandedRegion(e, e->fbBase, &out[n++]))
    return -1;
  if (e->ZTE && !bandedRegion(e, e->zBase, &out[n++]))
    return -1;
  if (e->TME && !textureRegion(e, &out[n++]))
    return -1;
  for (int i = 0; i < n; i++)
    for (int j = i + 1; j < n; j++)
      if (conflicts(&out[i], &out[j]))
        return -1;
  return n;
}

// Regions of the environments in the batch.
static Region pending[REGIONS];
static int pendingCount;

static int isPending(const Region *r)
{
  for (int i = 0; i < pendingCount; i++) {
    const Region *p = &pending[i];
    if (p->first == r->first && p->last == r->last && p->base == r->base &&
        p->pitch == r->pitch && p->banded == r->banded)
      return 1;
  }
  return 0;
}

// Makes `e` safe to batch behind what is batched: draws the batch first when
// one of its regions conflicts with a batched one. Returns 0 when `e` cannot
// be drawn in bands at all.
static int registerEnv(const GsDrawEnv *e)
{
  Region regions[3];
  int n = envRegions(e, regions);
  if (n < 0)
    return 0;
  int clash = pendingCount + n > REGIONS;
  for (int i = 0; i < n && !clash; i++)
    for (int j = 0; j < pendingCount && !clash; j++)
      clash = conflicts(&regions[i], &pending[j]);
  if (clash)
    gsQueueSync();
  for (int i = 0; i < n; i++)
    if (!isPending(&regions[i]))
      pending[pendingCount++] = regions[i];
  return 1;
}

static void drawAlone(const GsDrawEnv *env, int kind, const GsVertex *a, const GsVertex *b,
                      const GsVertex *c)
{
  GsBand all = {0, 1};
  gsStats.pixels += drawNow(env, &all, kind, a, b, c);
}

void gsQueueDraw(const GsDrawEnv *env, int fresh, int kind, const GsVertex *a, const GsVertex *b,
                 const GsVertex *c)
{
  if (!pool.chosen)
    chooseWorkers();
  if (pool.count == 0) {
    drawAlone(env, kind, a, b, c);
    return;
  }
  if (fresh)
    envPushed = envRegistered = 0;
  if (batchCount == BATCH || (!envPushed && envCount == ENVS))
    gsQueueSync();
  if (!envRegistered && !(envRegistered = registerEnv(env))) {
    gsQueueSync();
    drawAlone(env, kind, a, b, c);
    return;
  }
  if (!envPushed) {
    envs[envCount++] = *env;
    envPushed = 1;
  }
  GsCommand *cmd = &batch[batchCount++];
  cmd->env = (uint32_t)envCount - 1;
  cmd->kind = kind;
  cmd->v[0] = *a;
  int32_t yMin = a->y, yMax = a->y;
  if (kind != GS_KIND_POINT) {
    cmd->v[1] = *b;
    yMin = b->y < yMin ? b->y : yMin;
    yMax = b->y > yMax ? b->y : yMax;
  }
  if (kind == GS_KIND_TRIANGLE) {
    cmd->v[2] = *c;
    yMin = c->y < yMin ? c->y : yMin;
    yMax = c->y > yMax ? c->y : yMax;
  }
  // Rows drawn lie within ceil(yMin / 16) .. (yMax + 8) / 16 (points round);
  // rows below 0 never are.
  cmd->blockFirst = (yMin < 0 ? 0 : yMin) >> (4 + GS_BAND_SHIFT);
  cmd->blockLast = (yMax + 15 < 0 ? 0 : yMax + 15) >> (4 + GS_BAND_SHIFT);
}

void gsQueueSync(void)
{
  if (batchCount == 0)
    return;
  if (pool.count == 0 || batchCount < SMALL_BATCH) {
    GsBand all = {0, 1};
    for (int i = 0; i < batchCount; i++) {
      const GsCommand *c = &batch[i];
      gsStats.pixels += drawNow(&envs[c->env], &all, c->kind, &c->v[0], &c->v[1], &c->v[2]);
    }
  } else {
    flushInBands();
  }
  batchCount = envCount = 0;
  pendingCount = 0;
  envPushed = envRegistered = 0;
}

#endif
