// Envelopes: reading the blocks and evaluating every key shape and behaviour.
// Expected values are worked out by hand from LightWave's envelope model
// (Hermite basis h1..h4, Kochanek-Bartels tangents, Bezier handles).
#include <gtest/gtest.h>

#include <cmath>
#include <string>
#include <vector>

#include "lwstext.h"

// Reads an envelope block made of `keys` (one "value time shape p4..p9"
// string each) and the two behaviours.
static LwsEnvelope ReadEnvelope(const std::vector<std::string> &keys, int pre, int post)
{
  std::string text = "{ Envelope\n  " + std::to_string(keys.size()) + "\n";
  for (const std::string &key : keys)
    text += "  Key " + key + "\n";
  text += "  Behaviors " + std::to_string(pre) + " " + std::to_string(post) + "\n}\n";
  SetSceneText(text);
  LwsEnvelope envelope{};
  EXPECT_EQ(lwsEnvParse(&envelope), 0);
  return envelope;
}

// Keys (0, time 0) and (10, time 2), both Linear.
static LwsEnvelope Ramp(int pre, int post)
{
  return ReadEnvelope({"0 0 3 0 0 0 0 0 0", "10 2 3 0 0 0 0 0 0"}, pre, post);
}

TEST(Envelope, ReadingKeepsEveryField)
{
  LwsEnvelope e = ReadEnvelope({"1.5 0 0 0.25 -0.5 0.75 9 9 9", "2 1 2 9 9 9 3.5 -4 9",
                                "3 2 5 0.1 0.2 0.3 0.4 9 9", "4 3 3 9 9 9 9 9 9"},
                               2, 4);
  ASSERT_EQ(e.keyCount, 4);
  EXPECT_EQ(e.preBehavior, 2);
  EXPECT_EQ(e.postBehavior, 4);
  const LwsKey *k = e.keys;
  EXPECT_EQ(k->prev, nullptr);
  EXPECT_FLOAT_EQ(k->value, 1.5f);
  EXPECT_FLOAT_EQ(k->tension, 0.25f);  // TCB from the fifth to seventh tokens
  EXPECT_FLOAT_EQ(k->continuity, -0.5f);
  EXPECT_FLOAT_EQ(k->bias, 0.75f);
  EXPECT_EQ(k->param[0], 0.0f);
  k = k->next;
  EXPECT_EQ(k->shape, 2);
  EXPECT_FLOAT_EQ(k->param[0], 3.5f);  // tangents from the eighth and ninth
  EXPECT_FLOAT_EQ(k->param[1], -4.0f);
  EXPECT_EQ(k->tension, 0.0f);
  k = k->next;
  EXPECT_FLOAT_EQ(k->param[0], 0.1f);  // 2D Bezier handles from the fifth to eighth
  EXPECT_FLOAT_EQ(k->param[3], 0.4f);
  k = k->next;
  EXPECT_FLOAT_EQ(k->time, 3.0f);
  EXPECT_EQ(k->param[0], 0.0f);  // Linear reads nothing more
  EXPECT_EQ(k->next, nullptr);
  EXPECT_EQ(k->prev->prev->prev, e.keys);
}

TEST(Envelope, EmptyAndSingleKey)
{
  LwsEnvelope zero{};
  EXPECT_EQ(EnvEval(&zero, 1.0f), 0.0f);
  EXPECT_EQ(EnvEval(nullptr, 1.0f), 0.0f);
  for (int behavior = 0; behavior <= 5; behavior++) {
    LwsEnvelope one = ReadEnvelope({"7.5 1 3 0 0 0 0 0 0"}, behavior, behavior);
    for (float t : {-10.0f, 0.0f, 1.0f, 3.0f, 1e9f})
      EXPECT_EQ(EnvEval(&one, t), 7.5f) << behavior << " " << t;
  }
  // A count of 0 is read as one key.
  SetSceneText("{ Envelope\n 0\n Key 4 0 3 0 0 0 0 0 0\n Behaviors 1 1\n}\n");
  LwsEnvelope e{};
  ASSERT_EQ(lwsEnvParse(&e), 0);
  EXPECT_EQ(e.keyCount, 1);
  EXPECT_EQ(EnvEval(&e, 5.0f), 4.0f);
}

TEST(Envelope, LinearSpanAndEveryPostBehavior)
{
  LwsEnvelope e = Ramp(1, 1);
  EXPECT_EQ(EnvEval(&e, 1.0f), 5.0f);
  EXPECT_EQ(EnvEval(&e, 2.0f), 10.0f);
  EXPECT_EQ(EnvEval(&e, 0.0f), 0.0f);
  EXPECT_EQ(EnvEval(&e, 3.0f), 10.0f);  // Constant
  e.postBehavior = LWS_BEHAVIOR_RESET;
  EXPECT_EQ(EnvEval(&e, 3.0f), 0.0f);
  e.postBehavior = LWS_BEHAVIOR_REPEAT;
  EXPECT_FLOAT_EQ(EnvEval(&e, 3.0f), 5.0f);
  EXPECT_FLOAT_EQ(EnvEval(&e, 5.5f), 7.5f);
  e.postBehavior = LWS_BEHAVIOR_OFFSET_REPEAT;
  EXPECT_FLOAT_EQ(EnvEval(&e, 3.0f), 15.0f);
  EXPECT_FLOAT_EQ(EnvEval(&e, 5.0f), 25.0f);
  e.postBehavior = LWS_BEHAVIOR_OSCILLATE;
  EXPECT_FLOAT_EQ(EnvEval(&e, 3.0f), 5.0f);
  EXPECT_FLOAT_EQ(EnvEval(&e, 2.5f), 7.5f);
  EXPECT_FLOAT_EQ(EnvEval(&e, 4.5f), 2.5f);  // second cycle runs forwards again
  e.postBehavior = LWS_BEHAVIOR_LINEAR;
  EXPECT_FLOAT_EQ(EnvEval(&e, 3.0f), 15.0f);
  e.postBehavior = 9;  // unknown: the time is left alone, past the last key
  EXPECT_EQ(EnvEval(&e, 3.0f), 10.0f);
}

TEST(Envelope, PreBehaviorsBeforeTheFirstKey)
{
  LwsEnvelope e = Ramp(LWS_BEHAVIOR_CONSTANT, 1);
  EXPECT_EQ(EnvEval(&e, -1.0f), 0.0f);
  e.preBehavior = LWS_BEHAVIOR_REPEAT;  // -0.5 wraps to 1.5
  EXPECT_FLOAT_EQ(EnvEval(&e, -0.5f), 7.5f);
  // Offset Repeat: -1 is 1 in the cycle before, one ramp lower.
  e.preBehavior = LWS_BEHAVIOR_OFFSET_REPEAT;
  EXPECT_FLOAT_EQ(EnvEval(&e, -1.0f), -5.0f);
  EXPECT_FLOAT_EQ(EnvEval(&e, -3.0f), -15.0f);
  // Oscillate: the cycle before runs backwards, -0.5 mirrors to 0.5.
  e.preBehavior = LWS_BEHAVIOR_OSCILLATE;
  EXPECT_FLOAT_EQ(EnvEval(&e, -0.5f), 2.5f);
  EXPECT_FLOAT_EQ(EnvEval(&e, -2.5f), 7.5f);  // two cycles back: forwards again
  e.preBehavior = LWS_BEHAVIOR_LINEAR;
  EXPECT_FLOAT_EQ(EnvEval(&e, -1.0f), -5.0f);
  e.preBehavior = LWS_BEHAVIOR_RESET;
  LwsEnvelope shifted = ReadEnvelope({"4 1 3 0 0 0 0 0 0", "10 3 3 0 0 0 0 0 0"}, 0, 1);
  EXPECT_EQ(EnvEval(&shifted, 0.5f), 0.0f);
}

// A loop whose first key is not at time 0 repeats in phase with its keys:
// 4 at time 1 rising to 10 at time 3, so time 4 is time 2 again.
TEST(Envelope, BehaviorsOfASpanNotStartingAtZero)
{
  LwsEnvelope e = ReadEnvelope({"4 1 3 0 0 0 0 0 0", "10 3 3 0 0 0 0 0 0"}, 2, 2);
  EXPECT_FLOAT_EQ(EnvEval(&e, 4.0f), 7.0f);
  EXPECT_NEAR(EnvEval(&e, 3.001f), 4.003f, 1e-4);  // no jump where the repeat starts
  EXPECT_FLOAT_EQ(EnvEval(&e, 0.0f), 7.0f);      // before the first key too
  e.postBehavior = LWS_BEHAVIOR_OFFSET_REPEAT;
  EXPECT_FLOAT_EQ(EnvEval(&e, 4.0f), 13.0f);
  e.postBehavior = LWS_BEHAVIOR_OSCILLATE;
  EXPECT_FLOAT_EQ(EnvEval(&e, 4.5f), 5.5f);  // 1.5 past the end mirrors to 1.5
  EXPECT_FLOAT_EQ(EnvEval(&e, 3.25f), 9.25f);
}

TEST(Envelope, SteppedHoldsUntilItsKey)
{
  LwsEnvelope e = ReadEnvelope({"3 0 4 0 0 0 0 0 0", "7 2 4 0 0 0 0 0 0"}, 1, 1);
  EXPECT_EQ(EnvEval(&e, 1.999f), 3.0f);
  EXPECT_EQ(EnvEval(&e, 2.0f), 7.0f);
  // An unknown shape gives the offset alone.
  LwsEnvelope odd = ReadEnvelope({"3 0 3 0 0 0 0 0 0", "7 2 8 0 0 0 0 0 0"}, 1, 1);
  EXPECT_EQ(EnvEval(&odd, 1.0f), 0.0f);
}

// Hermite basis at t = 0.5: h1 = h2 = 0.5, h3 = 0.125, h4 = -0.125;
// at t = 0.25: h1 = 0.84375, h2 = 0.15625, h3 = 0.140625, h4 = -0.046875.
TEST(Envelope, TcbTangents)
{
  // 0 -> 10 -> 0 over two seconds: the tangent at the peak is flat, the one
  // leaving the first key is the whole rise.
  LwsEnvelope e = ReadEnvelope({"0 0 0 0 0 0 0 0 0", "10 1 0 0 0 0 0 0 0", "0 2 0 0 0 0 0 0 0"}, 1, 1);
  EXPECT_FLOAT_EQ(EnvEval(&e, 0.5f), 6.25f);        // 5 + 0.125 x 10
  EXPECT_FLOAT_EQ(EnvEval(&e, 0.25f), 2.96875f);    // 1.5625 + 1.40625
  EXPECT_FLOAT_EQ(EnvEval(&e, 1.5f), 6.25f);        // the mirror image
  // Bias 0.5 on the peak: a = 1.5, b = 0.5, incoming = 0.5 (0.5 x -10 + 1.5 x 10) = 5.
  e.keys->next->bias = 0.5f;
  EXPECT_FLOAT_EQ(EnvEval(&e, 0.5f), 5.625f);
  // Tension 1 on the first key: no outgoing tangent; 5 + 0.125 x 0 - 0.125 x 5.
  e.keys->tension = 1.0f;
  EXPECT_FLOAT_EQ(EnvEval(&e, 0.5f), 4.375f);

  // Continuity 0.5 on the peak. Arriving: a = (1 - c) = 0.5 on the rise, b =
  // (1 + c) = 1.5 on the fall, times 1 / 2 for the span's share of the two:
  // 0.5 (0.5 x 10 + 1.5 x -10) = -5; leaving the first key: 10.
  LwsEnvelope c = ReadEnvelope({"0 0 0 0 0 0 0 0 0", "10 1 0 0 0.5 0 0 0 0", "0 2 0 0 0 0 0 0 0"}, 1, 1);
  EXPECT_FLOAT_EQ(EnvEval(&c, 0.5f), 6.875f);    // 5 + 0.125 x 10 - 0.125 x -5
  EXPECT_FLOAT_EQ(EnvEval(&c, 0.25f), 3.203125f);  // 1.5625 + 1.40625 + 0.234375
  // Leaving the peak: a = 1.5 on the rise, b = 0.5 on the fall: 0.5 (15 - 5)
  // = 5; arriving at the last key: the fall, -10. 5 + 0.125 x 5 + 0.125 x 10.
  EXPECT_FLOAT_EQ(EnvEval(&c, 1.5f), 6.875f);
  // Bias 0.5 on the first key, which has no key before it: its outgoing
  // tangent is b x the rise, b = (1 - bias) = 0.5, so 5; the peak's arriving
  // tangent is 0. 5 + 0.125 x 5.
  LwsEnvelope b = ReadEnvelope({"0 0 0 0 0 0.5 0 0 0", "10 1 0 0 0 0 0 0 0", "0 2 0 0 0 0 0 0 0"}, 1, 1);
  EXPECT_FLOAT_EQ(EnvEval(&b, 0.5f), 5.625f);
}

TEST(Envelope, HermiteAndBezierTangents)
{
  // Out tangent 4 leaving the first key, in tangent 6 arriving at the second:
  // 5 + 0.125 x 4 - 0.125 x 6.
  for (int shape : {1, 2}) {
    std::string s = std::to_string(shape);
    LwsEnvelope e = ReadEnvelope({"0 0 " + s + " 0 0 0 0 4 0", "10 2 " + s + " 0 0 0 6 0 0"}, 1, 1);
    EXPECT_FLOAT_EQ(EnvEval(&e, 1.0f), 4.75f) << shape;
  }
  // With a key before and after, the tangents scale by the span's share:
  // keys at 0, 1, 3, 5; the span 1..3 gets out 4 x 2/3 and in 6 x 2/4.
  LwsEnvelope e = ReadEnvelope({"0 0 1 0 0 0 0 0 0", "0 1 1 0 0 0 0 4 0", "10 3 1 0 0 0 6 0 0",
                                "10 5 1 0 0 0 0 0 0"},
                               1, 1);
  float out = 4.0f * (2.0f / 3.0f);
  float in = 6.0f * (2.0f / 4.0f);
  EXPECT_NEAR(EnvEval(&e, 2.0f), 5.0f + 0.125f * out - 0.125f * in, 1e-5);
}

TEST(Envelope, Bezier2dBisection)
{
  // Handles a third of the way in time, flat in value: x(t) = -t^3 + 1.5t^2
  // + 1.5t, y(t) = -20t^3 + 30t^2. Time 1 is t = 0.5, found at the first step.
  LwsEnvelope e = ReadEnvelope({"0 0 5 0 0 0.5 0 0 0", "10 2 5 -0.5 0 0 0 0 0"}, 1, 1);
  EXPECT_FLOAT_EQ(EnvEval(&e, 1.0f), 5.0f);
  // Time 0.5: x(t) = 0.5 at t = 0.272548, y = 1.82356; the bisection stops
  // within 0.0001 in time, about 0.0006 in value.
  EXPECT_NEAR(EnvEval(&e, 0.5f), 1.82356f, 1e-3);
  EXPECT_NEAR(EnvEval(&e, 1.5f), 10.0f - 1.82356f, 1e-3);
  // A first key of another shape: handle at a third of the span, its value
  // a third of the outgoing tangent (Linear, no key before: the rise, 10).
  LwsEnvelope mixed = ReadEnvelope({"0 0 3 0 0 0 0 0 0", "10 3 5 -1 0 0 0 0 0"}, 1, 1);
  // x: 0, 1, 2, 3 (straight, so t = time / 3); y: 0, 10/3, 10, 10.
  // y(0.5) = 0.125 x 0 + 0.375 x 10/3 + 0.375 x 10 + 0.125 x 10 = 6.25.
  EXPECT_NEAR(EnvEval(&mixed, 1.5f), 6.25f, 1e-3);
}

// Where single precision cannot come within 0.0001 of the time (keys at a
// day's worth of seconds), the bisection still ends.
TEST(Envelope, Bezier2dBisectionEnds)
{
  LwsEnvelope e = ReadEnvelope({"0 100000 5 0 0 0.5 0 0 0", "10 100002 5 -0.5 0 0 0 0 0"}, 1, 1);
  float v = EnvEval(&e, 100000.3f);
  EXPECT_GE(v, 0.0f);
  EXPECT_LE(v, 10.0f);
  // Handles that make the curve fold back on itself.
  LwsEnvelope fold = ReadEnvelope({"0 0 5 0 0 50 0 0 0", "10 1 5 -50 0 0 0 0 0"}, 1, 1);
  EXPECT_TRUE(std::isfinite(EnvEval(&fold, 0.5f)));
}

// A 2D Bezier key whose outgoing handle is flat in time: its tangent is the
// value offset times 100000 instead of a division by the time offset.
TEST(Envelope, Bezier2dFlatHandleTangent)
{
  LwsEnvelope e = ReadEnvelope({"0 0 5 0 0 0 1 0 0", "10 2 3 0 0 0 0 0 0"}, 1, 5);
  // The span ends at a Linear key (t = 0.5); past the end, Linear behaviour
  // uses the incoming tangent of the last key: the rise, 10 over 2 seconds.
  EXPECT_FLOAT_EQ(EnvEval(&e, 3.0f), 15.0f);
  e.preBehavior = LWS_BEHAVIOR_LINEAR;  // outgoing of the first: 1 x 2 x 100000 / 2
  EXPECT_NEAR(EnvEval(&e, -0.001f), -100.0f, 1e-3);
}
