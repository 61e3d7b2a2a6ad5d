// Envelope evaluation: LightWave's envelope model (keys with TCB, Hermite,
// Bezier, Linear, Stepped and 2D Bezier spans; Reset, Constant, Repeat,
// Oscillate, Offset Repeat and Linear behaviours outside the keys).
//
// Everything is single precision except the floor of the time wrap and the
// two near-zero handle tests, which the model does in double precision.
#include "lws.h"

#include <cmath>

// Bisection steps of bez2_time: 2^-64 is far below what a float can tell
// apart, so the loop has always stopped narrowing well before this.
enum { BEZ2_MAX_HALVINGS = 64 };

// Truncation toward zero of a double into an int32, saturating instead of
// overflowing; NaN gives 0.
static int32_t truncSaturate(double value)
{
  if (!(value == value))
    return 0;
  if (value >= 2147483647.0)
    return 2147483647;
  if (value <= -2147483648.0)
    return -2147483647 - 1;
  return (int32_t)value;
}

// Wraps v into the span [lo, hi); *cycles (when asked) gets how many spans
// were stepped over, negative before lo.
// NOTE: the number of spans is counted from lo, floor((v - lo) / r). Counting
// from time 0, floor(v / r), as the textbook form of this function does, puts
// a span that does not start at a multiple of its length out of phase: the
// value jumps where the repeat starts. For a first key at time 0 both agree.
static float range(float v, float lo, float hi, int32_t *cycles)
{
  float r = hi - lo;
  if (r == 0.0f) {
    if (cycles)
      *cycles = 0;
    return lo;
  }
  double q = floor((double)(v - lo) / (double)r);
  float w = v - (float)q * r;
  if (cycles) {
    double d = (double)((w - v) / r);
    *cycles = w > v ? -truncSaturate(d + 0.5) : -truncSaturate(d - 0.5);
  }
  return w;
}

static void hermite(float t, float *h1, float *h2, float *h3, float *h4)
{
  float t2 = t * t;
  float t3 = t * t2;
  *h2 = 3.0f * t2 - t3 - t3;
  *h1 = 1.0f - *h2;
  *h4 = t3 - t2;
  *h3 = *h4 - t2 + t;
}

static const float HANDLE_EPSILON = 0.00001f;

// The tangent leaving k0 towards k1, by k0's shape.
static float outgoing(const LwsKey *k0, const LwsKey *k1)
{
  switch (k0->shape) {
  case LWS_SHAPE_TCB: {
    float a = (1.0f - k0->tension) * (1.0f + k0->continuity) * (1.0f + k0->bias);
    float b = (1.0f - k0->tension) * (1.0f - k0->continuity) * (1.0f - k0->bias);
    float d = k1->value - k0->value;
    if (k0->prev) {
      float s = (k1->time - k0->time) / (k1->time - k0->prev->time);
      return s * (a * (k0->value - k0->prev->value) + b * d);
    }
    return b * d;
  }
  case LWS_SHAPE_HERMITE:
  case LWS_SHAPE_BEZIER: {
    float out = k0->param[1];
    if (k0->prev)
      out *= (k1->time - k0->time) / (k1->time - k0->prev->time);
    return out;
  }
  case LWS_SHAPE_LINEAR: {
    float d = k1->value - k0->value;
    if (k0->prev) {
      float s = (k1->time - k0->time) / (k1->time - k0->prev->time);
      return s * (k0->value - k0->prev->value + d);
    }
    return d;
  }
  case LWS_SHAPE_BEZIER2D: {
    float out = k0->param[3] * (k1->time - k0->time);
    if (fabs((double)k0->param[2]) > (double)HANDLE_EPSILON)
      return out / k0->param[2];
    return out * 100000.0f;
  }
  default:
    return 0.0f;
  }
}

// The tangent arriving at k1 from k0, by k1's shape.
static float incoming(const LwsKey *k0, const LwsKey *k1)
{
  switch (k1->shape) {
  case LWS_SHAPE_TCB: {
    float a = (1.0f - k1->tension) * (1.0f - k1->continuity) * (1.0f + k1->bias);
    float b = (1.0f - k1->tension) * (1.0f + k1->continuity) * (1.0f - k1->bias);
    float d = k1->value - k0->value;
    if (k1->next) {
      float s = (k1->time - k0->time) / (k1->next->time - k0->time);
      return s * (b * (k1->next->value - k1->value) + a * d);
    }
    return a * d;
  }
  case LWS_SHAPE_HERMITE:
  case LWS_SHAPE_BEZIER: {
    float in = k1->param[0];
    if (k1->next)
      in *= (k1->time - k0->time) / (k1->next->time - k0->time);
    return in;
  }
  case LWS_SHAPE_LINEAR: {
    float d = k1->value - k0->value;
    if (k1->next) {
      float s = (k1->time - k0->time) / (k1->next->time - k0->time);
      return s * (k1->next->value - k1->value + d);
    }
    return d;
  }
  case LWS_SHAPE_BEZIER2D: {
    float in = k1->param[1] * (k1->time - k0->time);
    if (fabs((double)k1->param[0]) > (double)HANDLE_EPSILON)
      return in / k1->param[0];
    return in * 100000.0f;
  }
  default:
    return 0.0f;
  }
}

static float bezier(float x0, float x1, float x2, float x3, float t)
{
  float c = 3.0f * (x1 - x0);
  float b = 3.0f * (x2 - x1) - c;
  float a = x3 - x0 - c - b;
  float t2 = t * t;
  return a * t2 * t + b * t2 + c * t + x0;
}

// Bisects for the curve parameter whose x is `time`. The curve is monotonic
// in a well-made key; the halvings are bounded, and the search stops once
// single precision no longer moves t, so it ends on any curve.
static float bez2_time(float x0, float x1, float x2, float x3, float time, float t0, float t1)
{
  float t = t0 + (t1 - t0) * 0.5f;
  for (int32_t i = 0; i < BEZ2_MAX_HALVINGS; i++) {
    float v = bezier(x0, x1, x2, x3, t);
    if (!(fabs((double)(time - v)) > (double)0.0001f))
      break;
    if (v > time)
      t1 = t;
    else
      t0 = t;
    float next = t0 + (t1 - t0) * 0.5f;
    if (next == t)
      break;
    t = next;
  }
  return t;
}

// The span that ends at a 2D Bezier key k1.
static float bez2(const LwsKey *k0, const LwsKey *k1, float time)
{
  float x1 = k0->shape == LWS_SHAPE_BEZIER2D ? k0->time + k0->param[2]
                                             : k0->time + (k1->time - k0->time) / 3.0f;
  float t = bez2_time(k0->time, x1, k1->time + k1->param[0], k1->time, time, 0.0f, 1.0f);
  float y1 = k0->shape == LWS_SHAPE_BEZIER2D ? k0->value + k0->param[3]
                                             : k0->value + outgoing(k0, k1) / 3.0f;
  return bezier(k0->value, y1, k1->param[1] + k1->value, k1->value, t);
}

// Applies a behaviour outside the keys. Returns 1 with *result set when the
// behaviour decides the value alone; otherwise adjusts *time and *offset.
static int behave(int32_t behavior, bool before, const LwsKey *first, const LwsKey *last,
                  float *time, float *offset, float *result)
{
  int32_t cycles = 0;
  switch (behavior) {
  case LWS_BEHAVIOR_RESET:
    *result = 0.0f;
    return 1;
  case LWS_BEHAVIOR_CONSTANT:
    *result = before ? first->value : last->value;
    return 1;
  case LWS_BEHAVIOR_REPEAT:
    *time = range(*time, first->time, last->time, nullptr);
    return 0;
  case LWS_BEHAVIOR_OSCILLATE:
    *time = range(*time, first->time, last->time, &cycles);
    // Odd cycles run backwards: mirrored inside [first, last] (the textbook
    // form, last - first - time, only mirrors a span that starts at 0).
    if (cycles % 2 != 0)
      *time = last->time + first->time - *time;
    return 0;
  case LWS_BEHAVIOR_OFFSET_REPEAT:
    *time = range(*time, first->time, last->time, &cycles);
    *offset = (float)cycles * (last->value - first->value);
    return 0;
  case LWS_BEHAVIOR_LINEAR:
    if (before)
      *result = outgoing(first, first->next) / (first->next->time - first->time) *
                    (*time - first->time) + first->value;
    else
      *result = incoming(last->prev, last) / (last->time - last->prev->time) *
                    (*time - last->time) + last->value;
    return 1;
  default:
    return 0;
  }
}

// The span from k to n (n's shape decides its curve).
static float span(const LwsKey *k, const LwsKey *n, float time, float offset)
{
  float t = (time - k->time) / (n->time - k->time);
  switch (n->shape) {
  case LWS_SHAPE_TCB:
  case LWS_SHAPE_HERMITE:
  case LWS_SHAPE_BEZIER: {
    float out = outgoing(k, n);
    float in = incoming(k, n);
    float h1, h2, h3, h4;
    hermite(t, &h1, &h2, &h3, &h4);
    return h1 * k->value + h2 * n->value + h3 * out + h4 * in + offset;
  }
  case LWS_SHAPE_LINEAR:
    return k->value + t * (n->value - k->value) + offset;
  case LWS_SHAPE_STEPPED:
    return k->value + offset;
  case LWS_SHAPE_BEZIER2D:
    return bez2(k, n, time) + offset;
  default:
    return offset;
  }
}

float EnvEval(const LwsEnvelope *envelope, float time)
{
  if (!envelope || envelope->keyCount == 0 || !envelope->keys)
    return 0.0f;
  const LwsKey *first = envelope->keys;
  if (envelope->keyCount == 1 || !first->next)
    return first->value;
  const LwsKey *last = first;
  while (last->next)
    last = last->next;

  float offset = 0.0f;
  float result = 0.0f;
  if (time < first->time) {
    if (behave(envelope->preBehavior, true, first, last, &time, &offset, &result))
      return result;
  } else if (time > last->time) {
    if (behave(envelope->postBehavior, false, first, last, &time, &offset, &result))
      return result;
  }

  const LwsKey *k = first;
  while (k->next && k->next->time < time)
    k = k->next;
  const LwsKey *n = k->next;
  if (!n)
    return k->value + offset;
  if (time == k->time)
    return k->value + offset;
  if (time == n->time)
    return n->value + offset;
  return span(k, n, time, offset);
}
