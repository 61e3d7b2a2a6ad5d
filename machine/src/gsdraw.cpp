// The GS rasteriser: points, sprites and triangles with the hardware's
// coverage rules, then per pixel: depth test, texture (DECAL or MODULATE,
// nearest texel), alpha test, frame and depth writes with their masks.
//
// Coverage (window coordinates, pixel (i, j) sampled at exactly (i, j)):
//   triangle  sample strictly inside, or on a left edge or a horizontal top
//             edge; never on a right or bottom edge (the "ceil" rule: rows
//             ceil(ymin) <= y < ceil(ymax), columns ceil(xl) <= x < ceil(xr));
//   sprite    ceil(min) <= x < ceil(max) on both axes, corners in any order;
//   point     the pixel nearest the position, halves rounding up.
// Triangle edges are tested with exact integer edge functions in 1/16 pixel,
// solved per row for the span's two ends, so spans are filled without a test
// per pixel. Depth and texture coordinates are planes through the vertices,
// evaluated in double precision at each sample point and truncated (floored
// for texels).
#include "gsdraw.h"
#include "machine_internal.h"

static int64_t floorDiv(int64_t a, int64_t b)  // b > 0
{
  int64_t q = a / b;
  return (a % b != 0 && a < 0) ? q - 1 : q;
}

static int64_t ceilDiv(int64_t a, int64_t b)  // b > 0
{
  return -floorDiv(-a, b);
}

static int neverDraws(const GsDrawEnv *e)
{
  return e->ZTE && e->ZTST == GS_ZTST_NEVER;
}

uint64_t gsDrawPoint(const GsDrawEnv *e, const GsBand *band, const GsVertex *v)
{
  int64_t x = floorDiv((int64_t)v->x + 8, 16), y = floorDiv((int64_t)v->y + 8, 16);
  if (x < e->SCAX0 || x > e->SCAX1 || y < e->SCAY0 || y > e->SCAY1 ||
      !gsBandOwns(band, y))
    return 0;
  if (neverDraws(e))
    return 1;
  SpanVars s = {0, 0, v->u / 16.0, 0, v->v / 16.0, 0, 1, v->z > e->zMax ? e->zMax : v->z, v->rgba};
  gsChooseSpan(e, &s)(e, (int)y, (int)x, (int)x, &s);
  return 1;
}

uint64_t gsDrawSprite(const GsDrawEnv *e, const GsBand *band, const GsVertex *v0,
                      const GsVertex *v1)
{
  int64_t xs = ceilDiv(v0->x < v1->x ? v0->x : v1->x, 16);
  int64_t xe = ceilDiv(v0->x < v1->x ? v1->x : v0->x, 16) - 1;
  int64_t ys = ceilDiv(v0->y < v1->y ? v0->y : v1->y, 16);
  int64_t ye = ceilDiv(v0->y < v1->y ? v1->y : v0->y, 16) - 1;
  if (xs < e->SCAX0) xs = e->SCAX0;
  if (xe > e->SCAX1) xe = e->SCAX1;
  if (ys < e->SCAY0) ys = e->SCAY0;
  if (ye > e->SCAY1) ye = e->SCAY1;
  if (xs > xe || ys > ye)
    return 0;
  uint64_t rows = 0;
  for (int64_t y = gsBandFirst(band, ys); y <= ye; y++)
    rows += (uint64_t)gsBandOwns(band, y);
  uint64_t covered = (uint64_t)(xe - xs + 1) * rows;
  if (neverDraws(e) || rows == 0)
    return covered;
  // Colour and depth come from the second vertex; texel coordinates run
  // linearly from one corner to the other (non-empty, so the corners differ).
  SpanVars s = {0, 0, 0, 0, 0, 0, 1, v1->z > e->zMax ? e->zMax : v1->z, v1->rgba};
  double x0 = v0->x / 16.0, y0 = v0->y / 16.0;
  s.dudx = ((double)v1->u - v0->u) / (v1->x - v0->x);
  double dvdy = ((double)v1->v - v0->v) / (v1->y - v0->y);
  s.u = v0->u / 16.0 + s.dudx * ((double)xs - x0);
  GsSpanFn span = gsChooseSpan(e, &s);
  for (int64_t y = gsBandFirst(band, ys); y <= ye; y++) {
    if (!gsBandOwns(band, y))
      continue;
    s.v = v0->v / 16.0 + dvdy * ((double)y - y0);
    span(e, (int)y, (int)xs, (int)xe, &s);
  }
  return covered;
}

// One edge from p to q as a constraint on the columns of a row: with the
// triangle oriented so that its inside is where every edge function
// E(X, Y) = dx (Y - py) - dy (X - px) is positive, a sample on the edge
// itself counts only for left edges (dy < 0) and horizontal top edges
// (dy = 0, dx > 0).
struct Edge {
  int64_t px, py, dx, dy;
  int64_t bias;  // 0: samples on the edge are inside, 1: they are not
};

static Edge makeEdge(const GsVertex *p, const GsVertex *q)
{
  Edge ed;
  ed.px = p->x;
  ed.py = p->y;
  ed.dx = (int64_t)q->x - p->x;
  ed.dy = (int64_t)q->y - p->y;
  ed.bias = (ed.dy < 0 || (ed.dy == 0 && ed.dx > 0)) ? 0 : 1;
  return ed;
}

// An edge's bound on the columns of successive rows, stepped exactly from
// row to row: the condition E(16 x, 16 y) >= bias is a x >= k(y) with
// a = -16 dy and k(y) = bias - dx (16 y - py) - dy px, which grows by
// -16 dx per row. For a > 0 it bounds from below, x >= ceil(k / a); for
// a < 0 from above, x <= floor(-k / -a); a horizontal edge (a = 0) lets a row
// through whole or not at all. The quotient and remainder are carried from
// row to row, so no division is needed after the first row.
struct EdgeStep {
  int side;            // 1 lower bound, -1 upper bound, 0 horizontal
  int64_t k, dk;       // horizontal edges: k(y) and its step
  int64_t q, r, d;     // bound = q; remainder r in [0, d)
  int64_t qStep, rStep;
};

static void edgeStart(EdgeStep *st, const Edge *ed, int64_t y)
{
  int64_t a = -16 * ed->dy;
  int64_t k = ed->bias - ed->dx * (16 * y - ed->py) - ed->dy * ed->px;
  int64_t step = -16 * ed->dx;
  st->side = a > 0 ? 1 : a < 0 ? -1 : 0;
  st->k = k;
  st->dk = step;
  if (st->side == 1) {  // q = ceil(k / a), r = q a - k
    st->d = a;
    st->q = ceilDiv(k, a);
    st->r = st->q * a - k;
    st->qStep = ceilDiv(step, a);  // step = qStep a - rStep
    st->rStep = st->qStep * a - step;
  } else if (st->side == -1) {  // q = floor(-k / -a), r = -k - q (-a)
    st->d = -a;
    st->q = floorDiv(-k, -a);
    st->r = -k - st->q * -a;
    st->qStep = floorDiv(-step, -a);
    st->rStep = -step - st->qStep * -a;
  }
}

static void edgeNext(EdgeStep *st)
{
  if (st->side == 1) {  // ceil: remainders subtract, borrow one a
    st->q += st->qStep;
    st->r += st->rStep;
    if (st->r >= st->d) {
      st->q--;
      st->r -= st->d;
    }
  } else if (st->side == -1) {  // floor: remainders add, carry one d
    st->q += st->qStep;
    st->r += st->rStep;
    if (st->r >= st->d) {
      st->q++;
      st->r -= st->d;
    }
  } else {
    st->k += st->dk;
  }
}

static void edgeClip(const EdgeStep *st, int64_t *lo, int64_t *hi)
{
  if (st->side == 1) {
    if (st->q > *lo) *lo = st->q;
  } else if (st->side == -1) {
    if (st->q < *hi) *hi = st->q;
  } else if (st->k > 0) {
    *hi = *lo - 1;
  }
}

// Gradients of the plane through (x_i, y_i, value_i), in units per pixel.
static void planeOf(const GsVertex *a, const GsVertex *b, const GsVertex *c, double va, double vb,
                    double vc, double area, double *ddx, double *ddy)
{
  double x1 = (b->x - a->x) / 16.0, y1 = (b->y - a->y) / 16.0;
  double x2 = (c->x - a->x) / 16.0, y2 = (c->y - a->y) / 16.0;
  *ddx = ((vb - va) * y2 - (vc - va) * y1) / area;
  *ddy = ((vc - va) * x1 - (vb - va) * x2) / area;
}

// The sample points that can lie inside: the vertices' bounding box, cut to
// the scissor. Returns 0 when nothing is left.
static int sampleBounds(const GsDrawEnv *e, const GsVertex *a, const GsVertex *b,
                        const GsVertex *c, int64_t *xs, int64_t *xe, int64_t *ys, int64_t *ye)
{
  int64_t ymin = a->y, ymax = a->y, xmin = a->x, xmax = a->x;
  for (const GsVertex *p : {b, c}) {
    ymin = p->y < ymin ? p->y : ymin;
    ymax = p->y > ymax ? p->y : ymax;
    xmin = p->x < xmin ? p->x : xmin;
    xmax = p->x > xmax ? p->x : xmax;
  }
  *ys = ceilDiv(ymin, 16) < e->SCAY0 ? e->SCAY0 : ceilDiv(ymin, 16);
  *ye = floorDiv(ymax, 16) > e->SCAY1 ? e->SCAY1 : floorDiv(ymax, 16);
  *xs = ceilDiv(xmin, 16) < e->SCAX0 ? e->SCAX0 : ceilDiv(xmin, 16);
  *xe = floorDiv(xmax, 16) > e->SCAX1 ? e->SCAX1 : floorDiv(xmax, 16);
  return *ys <= *ye && *xs <= *xe;
}

uint64_t gsDrawTriangle(const GsDrawEnv *e, const GsBand *band, const GsVertex *a,
                        const GsVertex *b, const GsVertex *c)
{
  uint32_t color = c->rgba;  // flat shading: the vertex that kicked the primitive
  int64_t area16 = ((int64_t)b->x - a->x) * ((int64_t)c->y - a->y) -
                   ((int64_t)c->x - a->x) * ((int64_t)b->y - a->y);
  if (area16 == 0)
    return 0;
  if (area16 < 0) {  // the other winding: walk the edges the other way round
    const GsVertex *t = b;
    b = c;
    c = t;
    area16 = -area16;
  }
  int64_t ys, ye, xs, xe;
  if (!sampleBounds(e, a, b, c, &xs, &xe, &ys, &ye))
    return 0;
  ys = gsBandFirst(band, ys);  // the rows before belong to other workers
  if (ys > ye)
    return 0;
  Edge edges[3] = {makeEdge(a, b), makeEdge(b, c), makeEdge(c, a)};

  SpanVars s = {0, 0, 0, 0, 0, 0, 0, 0, color};
  double area = (double)area16 / 256.0, dzdy = 0, dudy = 0, dvdy = 0;
  double ax = a->x / 16.0, ay = a->y / 16.0;
  s.zFlat = a->z == b->z && b->z == c->z;
  s.zConst = a->z > e->zMax ? e->zMax : a->z;
  if (!s.zFlat)
    planeOf(a, b, c, a->z, b->z, c->z, area, &s.dzdx, &dzdy);
  if (e->TME) {
    planeOf(a, b, c, a->u / 16.0, b->u / 16.0, c->u / 16.0, area, &s.dudx, &dudy);
    planeOf(a, b, c, a->v / 16.0, b->v / 16.0, c->v / 16.0, area, &s.dvdx, &dvdy);
  }
  int never = neverDraws(e);
  GsSpanFn span = gsChooseSpan(e, &s);
  uint64_t covered = 0;
  EdgeStep steps[3];
  for (int i = 0; i < 3; i++)
    edgeStart(&steps[i], &edges[i], ys);
  for (int64_t y = ys; y <= ye; y++) {
    int64_t lo = xs, hi = xe;
    for (EdgeStep &st : steps) {
      edgeClip(&st, &lo, &hi);
      edgeNext(&st);
    }
    if (lo > hi || !gsBandOwns(band, y))
      continue;
    covered += (uint64_t)(hi - lo + 1);
    if (never)
      continue;
    double dx = (double)lo - ax, dy = (double)y - ay;
    s.z = a->z + s.dzdx * dx + dzdy * dy;
    s.u = a->u / 16.0 + s.dudx * dx + dudy * dy;
    s.v = a->v / 16.0 + s.dvdx * dx + dvdy * dy;
    span(e, (int)y, (int)lo, (int)hi, &s);
  }
  return covered;
}
