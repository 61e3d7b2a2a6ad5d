// Test helper: puts scene text into the scene reader's file record.
#pragma once
#include <cstring>
#include <string>

#include "lwsread.h"
#include "mem.h"

// Rewinds the pool and makes `text` the reader's scene text.
inline void SetSceneText(const std::string &text)
{
  MemFreeAll();
  MemInit();
  FileData *file = LwsGetCurrentFile();
  file->data = MemAlloc((int32_t)text.size());
  file->size = (int32_t)text.size();
  memcpy(file->data, text.data(), text.size());
  lwsRewind();
}

inline std::string NextLine(void)
{
  lwsGetLine();
  return lwsLine;
}
