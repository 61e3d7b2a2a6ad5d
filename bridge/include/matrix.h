// Matrix stacks in the manner of a fixed-function graphics interface.
//
// A Matrix4 holds element (row i, column j) at 4i + j. Points are row vectors
// multiplied on the left, so translation sits in m12..m14, and an operation
// issued later acts after the ones issued before it.
#pragma once

enum { MATRIX_MODELVIEW = 0x1700, MATRIX_PROJECTION = 0x1701, MATRIX_TEXTURE = 0x1702 };

struct Matrix4 {
  float m[16];
};

struct MatrixNode {
  Matrix4 matrix;
  MatrixNode *next;  // the node pushed above this one
  MatrixNode *prev;  // the node below
};

struct Vector3 {
  float x, y, z;
};

struct Vector4 {
  float x, y, z, w;
};

void MatrixInit(void);
void MatrixMode(int mode);
Matrix4 *MatrixGet(int mode);
void MatrixLoadIdentity(void);
void MatrixLoad(const Matrix4 *m);
void MatrixMult(const Matrix4 *m);
void MatrixRotate(float angle, float x, float y, float z);
void MatrixTranslate(float x, float y, float z);
void MatrixScale(float x, float y, float z);
void MatrixFrustum(float left, float right, float bottom, float top, float nearZ, float farZ);
void MatrixOrtho(float left, float right, float bottom, float top, float nearZ, float farZ);
void MatrixPush(void);
void MatrixPop(void);
void MatrixVectMult(Vector3 *out, const Vector3 *in, const Matrix4 *m);
void MatrixVectMultWithW(Vector4 *out, const Vector3 *in, const Matrix4 *m);
void MatrixDump(const Matrix4 *m);
