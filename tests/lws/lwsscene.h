// Test fixture for scene loading: a temporary host folder, a fresh pool and
// texture registry, the console captured, the progress calls recorded.
#pragma once
#include <gtest/gtest.h>

#include <cstring>
#include <string>
#include <vector>

#include "../lwo/lwo_builder.h"
#include "lws.h"
#include "mem.h"
#include "tex.h"
#include "testkit.h"

inline std::vector<int32_t> progressCalls;

inline void RecordProgress(int32_t percent)
{
  progressCalls.push_back(percent);
}

// A small LWO2 object: one triangle, no surfaces or tags.
inline std::string TriangleObject(void)
{
  return Form({Pnts({0, 0, 0, 1, 0, 0, 0, 1, 0}), Pols({{0, 1, 2}})});
}

// Two layers: LAYR 1 (pivot 1, 2, 3) one triangle of three points, then LAYR
// 0 a quad of four points.
inline std::string TwoLayerObject(void)
{
  auto points = [](int count) {
    std::vector<float> xyz;
    for (int i = 0; i < count * 3; i++)
      xyz.push_back((float)(i % 5));
    return Pnts(xyz);
  };
  return Form({Layr(1, "", {1, 2, 3}), points(3), Pols({{0, 1, 2}}), Layr(0, ""), points(4),
               Pols({{0, 1, 2, 3}})});
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
