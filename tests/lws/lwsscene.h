// Test fixture for scene loading: a temporary host folder, a fresh pool and
// texture registry, the console captured, the progress calls recorded.
#pragma once
#include <gtest/gtest.h>

#include <cstring>
#include <string>
#include <vector>

#include "lws.h"
#include "mem.h"
#include "tex.h"
#include "testkit.h"

inline std::vector<int32_t> progressCalls;

inline void RecordProgress(int32_t percent)
{
  progressCalls.push_back(percent);
}

// Big-endian words as LWO2 stores them.
inline std::string u4(uint32_t v)
{
  return std::string{(char)(v >> 24), (char)(v >> 16), (char)(v >> 8), (char)v};
}

inline std::string f4(float f)
{
  uint32_t v;
  memcpy(&v, &f, 4);
  return u4(v);
}

// A small LWO2 object: one triangle, no surfaces or tags.
inline std::string TriangleObject(void)
{
  std::string pnts = "PNTS" + u4(36);
  for (float f : {0.0f, 0.0f, 0.0f, 1.0f, 0.0f, 0.0f, 0.0f, 1.0f, 0.0f})
    pnts += f4(f);
  std::string pols = "POLS" + u4(12) + "FACE" + std::string("\0\3\0\0\0\1\0\2", 8);
  std::string body = "LWO2" + pnts + pols;
  return "FORM" + u4((uint32_t)body.size()) + body;
}

// Two layers: LAYR 1 (pivot 1, 2, 3) one triangle of three points, then LAYR
// 0 a quad of four points.
inline std::string TwoLayerObject(void)
{
  auto layr = [&](uint32_t number, float x, float y, float z) {
    return "LAYR" + u4(18) + std::string{0, (char)number, 0, 0} + f4(x) + f4(y) + f4(z) + std::string(2, 0);
  };
  auto pnts = [&](int count) {
    std::string data;
    for (int i = 0; i < count * 3; i++)
      data += f4((float)(i % 5));
    return "PNTS" + u4((uint32_t)data.size()) + data;
  };
  std::string tri = "POLS" + u4(12) + "FACE" + std::string("\0\3\0\0\0\1\0\2", 8);
  std::string quad = "POLS" + u4(14) + "FACE" + std::string("\0\4\0\0\0\1\0\2\0\3", 10);
  std::string body = "LWO2" + layr(1, 1, 2, 3) + pnts(3) + tri + layr(0, 0, 0, 0) + pnts(4) + quad;
  return "FORM" + u4((uint32_t)body.size()) + body;
}

class LwsTest : public ::testing::Test {
protected:
  TempDir dir;
  std::string console;
  LwsScene *scene = nullptr;

  void SetUp() override
  {
    UseHost(dir.path);
    MachineCaptureConsole(&console);
  }
  void TearDown() override
  {
    MachineCaptureConsole(nullptr);
    delete scene;
  }
  // `host` serves the files; `byName` as for a user's scene (findByName).
  void UseHost(const std::string &host, bool byName = false)
  {
    MachineConfig config;
    MachineDefaults(&config);
    config.hostDir = host;
    config.findByName = byName;
    MachineSetup(&config);
    TexFreeAll();
    MemFreeAll();
    MemInit();
    TexInit();
  }
  void Write(const std::string &name, const std::string &bytes) { WriteHostFile(dir.path + "/" + name, bytes); }
  // Loads `name` from the host folder into a fresh scene record.
  int32_t LoadFile(const std::string &name, int32_t terrainMode = 0)
  {
    delete scene;
    scene = new LwsScene();
    scene->terrainMode = terrainMode;
    progressCalls.clear();
    console.clear();
    return LwsLoad(scene, name.c_str(), RecordProgress);
  }
  // Writes a format-3 scene with `body` after its header and loads it.
  int32_t Load(const std::string &body, int32_t terrainMode = 0)
  {
    Write("scene.lws", "LWSC\n3\n\n" + body);
    return LoadFile("scene.lws", terrainMode);
  }
  bool Printed(const std::string &text) const { return console.find(text) != std::string::npos; }
};

// An envelope block of one constant key.
inline std::string ConstantEnvelope(const std::string &value)
{
  return "{ Envelope\n  1\n  Key " + value + " 0 0 0 0 0 0 0 0\n  Behaviors 1 1\n}\n";
}
