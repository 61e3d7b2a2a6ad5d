// Matrix stacks: model-view, projection and texture.
//
// Every operation builds its factor in the scratch matrix `matrix` and
// multiplies the current node by it in place. Nodes come from the memory
// pool; a popped node goes on a free list and the next push takes it back,
// so a caller that pushes and pops every frame never uses the pool up.
#include "matrix.h"
#include "console.h"
#include "mem.h"

#include <cmath>
#include <cstring>

// Module state: the stacks' top nodes, the node the operations change, and scratch.
static MatrixNode *nodeModelView, *nodeProjection, *nodeTexture;
static MatrixNode *nodeCurrent;
static MatrixNode *nodeFree;  // popped nodes, linked by `next`
static int matrixMode;
static Matrix4 matrix;      // the factor each operation builds
static Matrix4 matrixBase;  // product scratch
static float radAngle, sinAngle, cosAngle;

static void setIdentity(Matrix4 *m)
{
  memset(m, 0, sizeof *m);
  m->m[0] = m->m[5] = m->m[10] = m->m[15] = 1.0f;
}

static MatrixNode **topOf(int mode)
{
  switch (mode) {
  case MATRIX_MODELVIEW: return &nodeModelView;
  case MATRIX_PROJECTION: return &nodeProjection;
  case MATRIX_TEXTURE: return &nodeTexture;
  default: return nullptr;
  }
}

static MatrixNode *newNode(void)
{
  if (nodeFree) {
    MatrixNode *node = nodeFree;
    nodeFree = node->next;
    memset(node, 0, sizeof *node);
    return node;
  }
  return static_cast<MatrixNode *>(MemAlloc(sizeof(MatrixNode)));
}

void MatrixInit(void)
{
  nodeFree = nullptr;
  const int modes[3] = {MATRIX_MODELVIEW, MATRIX_PROJECTION, MATRIX_TEXTURE};
  for (int mode : modes) {
    matrixMode = mode;
    MatrixNode *node = newNode();
    *topOf(mode) = node;
    nodeCurrent = node;
    if (node)
      setIdentity(&node->matrix);
  }
  MatrixMode(MATRIX_MODELVIEW);
}

void MatrixMode(int mode)
{
  matrixMode = mode;
  if (MatrixNode **top = topOf(mode))
    nodeCurrent = *top;
}

Matrix4 *MatrixGet(int mode)
{
  MatrixNode **top = topOf(mode);
  return top && *top ? &(*top)->matrix : nullptr;
}

void MatrixLoadIdentity(void)
{
  if (nodeCurrent)
    setIdentity(&nodeCurrent->matrix);
}

void MatrixLoad(const Matrix4 *m)
{
  if (nodeCurrent && m)
    nodeCurrent->matrix = *m;
}

// current = current x m, through the scratch product.
void MatrixMult(const Matrix4 *m)
{
  if (!nodeCurrent || !m)
    return;
  const float *q = nodeCurrent->matrix.m;
  for (int i = 0; i < 4; i++)
    for (int j = 0; j < 4; j++)
      matrixBase.m[4 * i + j] = q[4 * i] * m->m[j] + q[4 * i + 1] * m->m[4 + j] +
                                q[4 * i + 2] * m->m[8 + j] + q[4 * i + 3] * m->m[12 + j];
  nodeCurrent->matrix = matrixBase;
}

void MatrixRotate(float angle, float x, float y, float z)
{
  int axis = x != 0.0f ? 0 : y != 0.0f ? 1 : z != 0.0f ? 2 : -1;
  if (axis < 0)
    return;  // no axis: no rotation
  float c = axis == 0 ? x : axis == 1 ? y : z;
  radAngle = -angle * c / 180.0f * 3.1415927f;
  sinAngle = (float)sin((double)radAngle);
  cosAngle = (float)cos((double)radAngle);
  setIdentity(&matrix);
  float *m = matrix.m;
  if (axis == 0) {
    m[5] = cosAngle; m[6] = -sinAngle; m[9] = sinAngle; m[10] = cosAngle;
  } else if (axis == 1) {
    m[0] = cosAngle; m[2] = sinAngle; m[8] = -sinAngle; m[10] = cosAngle;
  } else {
    m[0] = cosAngle; m[1] = -sinAngle; m[4] = sinAngle; m[5] = cosAngle;
  }
  MatrixMult(&matrix);
}

void MatrixTranslate(float x, float y, float z)
{
  setIdentity(&matrix);
  matrix.m[12] = x;
  matrix.m[13] = y;
  matrix.m[14] = z;
  MatrixMult(&matrix);
}

void MatrixScale(float x, float y, float z)
{
  setIdentity(&matrix);
  matrix.m[0] = x;
  matrix.m[5] = y;
  matrix.m[10] = z;
  MatrixMult(&matrix);
}

// NOTE: m15 keeps the identity's 1, unlike the usual frustum matrix, so w comes
// out as 1 - z; the render front end then sets m11 to 1.
void MatrixFrustum(float left, float right, float bottom, float top, float nearZ, float farZ)
{
  if (!nodeCurrent)
    return;
  float *m = nodeCurrent->matrix.m;
  setIdentity(&nodeCurrent->matrix);
  m[0] = 2.0f * nearZ / (right - left);
  m[8] = (right + left) / (right - left);
  m[5] = 2.0f * nearZ / (top - bottom);
  m[9] = (top + bottom) / (top - bottom);
  m[10] = -(farZ + nearZ) / (farZ - nearZ);
  m[14] = -(2.0f * farZ * nearZ) / (farZ - nearZ);
  m[11] = -1.0f;
}

void MatrixOrtho(float left, float right, float bottom, float top, float nearZ, float farZ)
{
  if (!nodeCurrent)
    return;
  float *m = nodeCurrent->matrix.m;
  setIdentity(&nodeCurrent->matrix);
  m[0] = 2.0f / (right - left);
  m[5] = 2.0f / (top - bottom);
  m[10] = -2.0f / (farZ - nearZ);
  m[12] = -(right + left) / (right - left);
  m[13] = -(top + bottom) / (top - bottom);
  m[14] = -(farZ + nearZ) / (farZ - nearZ);
  m[15] = 1.0f;
}

// Pushes a copy of the selected mode's top. The current node stays where it
// was: until the mode is selected again, operations change the node below.
void MatrixPush(void)
{
  MatrixNode **top = topOf(matrixMode);
  if (!top || !*top)
    return;
  MatrixNode *node = newNode();
  if (!node)
    return;
  node->matrix = (*top)->matrix;
  node->prev = *top;
  node->next = nullptr;
  (*top)->next = node;
  *top = node;
}

void MatrixPop(void)
{
  MatrixNode **top = topOf(matrixMode);
  if (!top || !*top || !(*top)->prev)
    return;  // the bottom node is never popped
  MatrixNode *popped = *top;
  *top = popped->prev;
  (*top)->next = nullptr;
  if (nodeCurrent == popped)
    nodeCurrent = *top;
  popped->next = nodeFree;
  nodeFree = popped;
  if (nodeCurrent)
    nodeCurrent->matrix = (*top)->matrix;
}

void MatrixVectMult(Vector3 *out, const Vector3 *in, const Matrix4 *m)
{
  const float *e = m->m;
  float x = in->x, y = in->y, z = in->z;
  out->x = x * e[0] + y * e[4] + z * e[8] + e[12];
  out->y = x * e[1] + y * e[5] + z * e[9] + e[13];
  out->z = x * e[2] + y * e[6] + z * e[10] + e[14];
}

void MatrixVectMultWithW(Vector4 *out, const Vector3 *in, const Matrix4 *m)
{
  const float *e = m->m;
  float x = in->x, y = in->y, z = in->z;
  out->x = x * e[0] + y * e[4] + z * e[8] + e[12];
  out->y = x * e[1] + y * e[5] + z * e[9] + e[13];
  out->z = x * e[2] + y * e[6] + z * e[10] + e[14];
  out->w = x * e[3] + y * e[7] + z * e[11] + e[15];
}

// x 100, truncated; saturated so that a huge or NaN element prints a defined number.
static int dumpValue(float value)
{
  float scaled = value * 100.0f;
  if (!(scaled == scaled))
    return 0;
  if (scaled >= 2147483520.0f)
    return 2147483647;
  if (scaled <= -2147483648.0f)
    return -2147483647 - 1;
  return (int)scaled;
}

void MatrixDump(const Matrix4 *m)
{
  if (!m)
    return;
  for (int i = 0; i < 4; i++)
    ConsoleAdd("%d %d %d %d", dumpValue(m->m[4 * i]), dumpValue(m->m[4 * i + 1]),
               dumpValue(m->m[4 * i + 2]), dumpValue(m->m[4 * i + 3]));
  ConsoleAdd("%s", "");
}
