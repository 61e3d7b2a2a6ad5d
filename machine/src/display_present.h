// The presenters of the displayed picture (present.cpp), for display.cpp and
// the model's set-up. Pictures are rows of 32-bit words, R in bits 0-7, G 8-15,
// B 16-23.
#pragma once
#include <cstdint>

// Starts what the configuration asks for (window, PNG folder, ffmpeg check)
// after closing what ran before; problems go to MachinePresentError.
void presentStart(void);
void presentWindow(const uint32_t *pixels, int width, int height);
void presentPng(int frame, const uint32_t *pixels, int width, int height);
void presentVideo(const uint32_t *pixels, int width, int height);
void presentProgress(int frame);
// Polls the window's events; 1 once it was closed or Escape was pressed.
int presentQuitRequested(void);
