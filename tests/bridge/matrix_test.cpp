// Matrix stacks: products in row-vector order, rotation signs, frustum, push and pop.
#include "machine.h"
#include "matrix.h"
#include "mem.h"

#include <gtest/gtest.h>
#include <cmath>
#include <string>

namespace {

class Matrix : public ::testing::Test {
protected:
  void SetUp() override
  {
    MemFreeAll();
    MemInit();
    MatrixInit();
  }
  // The model-view matrix takes `in` to `want`.
  static void expectMoves(Vector3 in, Vector3 want)
  {
    Vector3 out;
    MatrixVectMult(&out, &in, MatrixGet(MATRIX_MODELVIEW));
    std::string from = "(" + std::to_string(in.x) + ", " + std::to_string(in.y) + ", " +
                       std::to_string(in.z) + ")";
    EXPECT_NEAR(out.x, want.x, 1e-6) << from;
    EXPECT_NEAR(out.y, want.y, 1e-6) << from;
    EXPECT_NEAR(out.z, want.z, 1e-6) << from;
  }
};

TEST_F(Matrix, RotationSignsFollowTheAxisComponent)
{
  MatrixRotate(90, 0, 0, 1);
  const float *m = MatrixGet(MATRIX_MODELVIEW)->m;
  EXPECT_NEAR(m[1], 1.0f, 1e-6);
  EXPECT_NEAR(m[4], -1.0f, 1e-6);
  expectMoves({1, 0, 0}, {0, 1, 0});

  // 90 about Y: the angle is negated (-90: sin -1, cos 0), so m2 = sin = -1
  // and m8 = -sin = 1; +X goes to -Z and +Z to +X, as a heading of 90 turns
  // LightWave's +Z (ahead) to +X (right).
  MatrixLoadIdentity();
  MatrixRotate(90, 0, 1, 0);
  EXPECT_NEAR(m[2], -1.0f, 1e-6);
  EXPECT_NEAR(m[8], 1.0f, 1e-6);
  EXPECT_NEAR(m[0], 0.0f, 1e-6);
  EXPECT_NEAR(m[5], 1.0f, 1e-6);
  expectMoves({1, 0, 0}, {0, 0, -1});
  expectMoves({0, 0, 1}, {1, 0, 0});

  // The angle is scaled by the axis component: 90 about (0, 2, 0) is 180 about Y.
  MatrixLoadIdentity();
  MatrixRotate(90, 0, 2, 0);
  expectMoves({1, 0, 1}, {-1, 0, -1});

  // 90 about X: +Y turns to +Z, the right-handed sense the other axes follow.
  MatrixLoadIdentity();
  MatrixRotate(90, 1, 0, 0);
  expectMoves({0, 1, 0}, {0, 0, 1});

  // No axis: nothing happens.
  MatrixLoadIdentity();
  MatrixRotate(45, 0, 0, 0);
  expectMoves({1, 2, 3}, {1, 2, 3});
}

TEST_F(Matrix, LaterOperationsActAfterEarlierOnes)
{
  MatrixTranslate(1, 2, 3);
  MatrixScale(2, 2, 2);
  expectMoves({0, 0, 0}, {2, 4, 6});

  MatrixLoadIdentity();
  MatrixScale(2, 2, 2);
  MatrixTranslate(1, 2, 3);
  expectMoves({1, 1, 1}, {3, 4, 5});

  Matrix4 m = {};
  m.m[3] = 2;  // w = 2x + 1
  m.m[15] = 1;
  Vector3 in = {3, 0, 0};
  Vector4 out;
  MatrixVectMultWithW(&out, &in, &m);
  EXPECT_FLOAT_EQ(out.w, 7);
}

TEST_F(Matrix, FrustumKeepsM15AtOneAndOrthoMapsTheBox)
{
  MatrixMode(MATRIX_PROJECTION);
  MatrixFrustum(-1, 1, -1, 1, 1, 100);
  const float *m = MatrixGet(MATRIX_PROJECTION)->m;
  EXPECT_FLOAT_EQ(m[15], 1);
  EXPECT_FLOAT_EQ(m[11], -1);
  EXPECT_FLOAT_EQ(m[0], 1);
  EXPECT_FLOAT_EQ(m[5], 1);
  EXPECT_FLOAT_EQ(m[10], -101.0f / 99.0f);
  EXPECT_FLOAT_EQ(m[14], -200.0f / 99.0f);
  // An off-centre frustum: x from -1 to 3, y from 0 to 2, near 2. m8 and m9
  // shift the centre: (3 - 1) / 4 = 0.5 and (2 + 0) / 2 = 1.
  MatrixFrustum(-1, 3, 0, 2, 2, 100);
  EXPECT_FLOAT_EQ(m[0], 1.0f);  // 2 x 2 / 4
  EXPECT_FLOAT_EQ(m[5], 2.0f);  // 2 x 2 / 2
  EXPECT_FLOAT_EQ(m[8], 0.5f);
  EXPECT_FLOAT_EQ(m[9], 1.0f);
  EXPECT_FLOAT_EQ(m[15], 1.0f);

  MatrixOrtho(0, 512, 0, 256, -1, 1);
  Vector3 in = {512, 256, 0}, out;
  MatrixVectMult(&out, &in, MatrixGet(MATRIX_PROJECTION));
  EXPECT_FLOAT_EQ(out.x, 1);
  EXPECT_FLOAT_EQ(out.y, 1);
  EXPECT_EQ(MatrixGet(1234), nullptr);
}

TEST_F(Matrix, PushAndPopKeepTheCurrentNodeRules)
{
  MatrixTranslate(5, 0, 0);
  MatrixPush();
  // The pushed node is a copy and is the top; operations still change the node below.
  EXPECT_FLOAT_EQ(MatrixGet(MATRIX_MODELVIEW)->m[12], 5);
  MatrixTranslate(1, 0, 0);
  EXPECT_FLOAT_EQ(MatrixGet(MATRIX_MODELVIEW)->m[12], 5);
  MatrixMode(MATRIX_MODELVIEW);  // selecting the mode again moves to the top
  MatrixTranslate(2, 0, 0);
  EXPECT_FLOAT_EQ(MatrixGet(MATRIX_MODELVIEW)->m[12], 7);
  MatrixPop();
  // The new top is the node below (6 after the stray translate); current copies it.
  EXPECT_FLOAT_EQ(MatrixGet(MATRIX_MODELVIEW)->m[12], 6);
  MatrixTranslate(1, 0, 0);
  EXPECT_FLOAT_EQ(MatrixGet(MATRIX_MODELVIEW)->m[12], 7);

  // Two pushes without selecting the mode again leave the current node two
  // below the top, where a stray operation changes it. A pop copies the new
  // top into the current node, so the stray change is gone once it is the
  // top again.
  MatrixMode(MATRIX_MODELVIEW);
  MatrixLoadIdentity();
  MatrixPush();
  MatrixPush();
  MatrixTranslate(0, 3, 0);  // the bottom node, under two copies of the identity
  MatrixPop();               // the bottom takes the new top's identity
  MatrixPop();
  EXPECT_FLOAT_EQ(MatrixGet(MATRIX_MODELVIEW)->m[13], 0);

  // The bottom node is never popped; other stacks are untouched.
  MatrixPop();
  ASSERT_NE(MatrixGet(MATRIX_MODELVIEW), nullptr);
  EXPECT_FLOAT_EQ(MatrixGet(MATRIX_PROJECTION)->m[12], 0);
}

// Four lines of the rows x 100, truncated toward zero, then an empty line.
TEST_F(Matrix, DumpPrintsRowsInHundredths)
{
  Matrix4 m = {};
  const float values[16] = {1, -0.5f, 0.019f, -0.019f, 2.5f, 0, 0, 0, 0, 0, 1e30f, -1e30f, 0, 0, 0, 1};
  for (int i = 0; i < 16; i++)
    m.m[i] = values[i];
  m.m[5] = std::nanf("");
  std::string text;
  MachineCaptureConsole(&text);
  MatrixDump(&m);
  MatrixDump(nullptr);
  MachineCaptureConsole(nullptr);
  EXPECT_EQ(text, "100 -50 1 -1\n250 0 0 0\n0 0 2147483647 -2147483648\n0 0 0 100\n\n");
}

TEST_F(Matrix, PushingAndPoppingEveryFrameDoesNotUseThePoolUp)
{
  MatrixMode(MATRIX_MODELVIEW);
  MatrixPush();
  MatrixPop();
  int32_t position = MemGetPosition();
  for (int frame = 0; frame < 1000000; frame++) {
    MatrixPush();
    MatrixMode(MATRIX_MODELVIEW);
    MatrixTranslate(1, 0, 0);
    MatrixPop();
  }
  EXPECT_EQ(MemGetPosition(), position);
  EXPECT_FLOAT_EQ(MatrixGet(MATRIX_MODELVIEW)->m[12], 0);
}

}  // namespace
