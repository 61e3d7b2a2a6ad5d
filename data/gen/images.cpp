// Pictures of the show's surfaces, painted from noise and simple shapes, and
// the height field of the valley they share with the terrain object.
#include <cmath>

#include "genbuilders.h"

static uint32_t hash(int32_t x, int32_t y, uint32_t seed)
{
  uint32_t h = (uint32_t)x * 374761393u + (uint32_t)y * 668265263u + seed * 2246822519u;
  h = (h ^ (h >> 13)) * 1274126177u;
  return h ^ (h >> 16);
}

static float lattice(int32_t x, int32_t y, uint32_t seed)
{
  return (float)(hash(x, y, seed) & 0xFFFF) / 65535.0f;
}

float GenSmoothStep(float edge0, float edge1, float x)
{
  float t = (x - edge0) / (edge1 - edge0);
  t = t < 0.0f ? 0.0f : t > 1.0f ? 1.0f : t;
  return t * t * (3.0f - 2.0f * t);
}

float GenNoise(float x, float y, uint32_t seed)
{
  float fx = std::floor(x), fy = std::floor(y);
  int32_t ix = (int32_t)fx, iy = (int32_t)fy;
  float tx = GenSmoothStep(0.0f, 1.0f, x - fx), ty = GenSmoothStep(0.0f, 1.0f, y - fy);
  float top = lattice(ix, iy, seed) + (lattice(ix + 1, iy, seed) - lattice(ix, iy, seed)) * tx;
  float bottom = lattice(ix, iy + 1, seed) + (lattice(ix + 1, iy + 1, seed) - lattice(ix, iy + 1, seed)) * tx;
  return top + (bottom - top) * ty;
}

float GenFractal(float x, float y, uint32_t seed, int octaves)
{
  float sum = 0.0f, amplitude = 0.5f, total = 0.0f;
  for (int o = 0; o < octaves; o++) {
    sum += GenNoise(x, y, seed + (uint32_t)o) * amplitude;
    total += amplitude;
    x *= 2.03f;
    y *= 2.03f;
    amplitude *= 0.5f;
  }
  return sum / total;
}

// A flat valley floor 5 m below the objects with soft ripples, rising into a
// ring of hills beyond 22 m from the centre.
float GenValleyHeight(float x, float z)
{
  float r = std::sqrt(x * x + z * z);
  float ripples = 0.3f * std::sin(0.45f * x) * std::cos(0.38f * z);
  float hills = GenSmoothStep(22.0f, 58.0f, r) * (4.0f + 12.0f * GenFractal(x * 0.045f, z * 0.045f, 7, 4));
  return -5.0f + ripples + hills + 0.6f * GenFractal(x * 0.2f, z * 0.2f, 3, 3);
}

static void mix(float *c, const float *a, const float *b, float t)
{
  for (int i = 0; i < 3; i++)
    c[i] = a[i] + (b[i] - a[i]) * t;
}

// The valley seen from above, coloured by height and shaded by slope, so the
// unlit terrain still shows its relief. Texel centres map to the terrain's
// points through its planar projection on Y over `extent` metres.
GenImage GenImageValley(int32_t size, float extent)
{
  static const float grass[3] = {0.20f, 0.42f, 0.16f}, rock[3] = {0.45f, 0.36f, 0.27f};
  static const float snow[3] = {0.93f, 0.95f, 1.0f}, meadowDark[3] = {0.12f, 0.3f, 0.1f};
  GenImage image = GenImageMake(size, size);
  const float lx = -0.48f, ly = 0.78f, lz = -0.40f, step = extent / (float)size;
  for (int32_t row = 0; row < size; row++)
    for (int32_t col = 0; col < size; col++) {
      float x = ((float)col + 0.5f) * step - extent * 0.5f, z = ((float)row + 0.5f) * step - extent * 0.5f;
      float h = GenValleyHeight(x, z);
      float dx = GenValleyHeight(x + step, z) - h, dz = GenValleyHeight(x, z + step) - h;
      float nx = -dx, ny = step, nz = -dz, len = std::sqrt(nx * nx + ny * ny + nz * nz);
      float light = (nx * lx + ny * ly + nz * lz) / len;
      float shade = 0.45f + 0.6f * (light > 0.0f ? light : 0.0f);
      float c[3];
      float meadow = GenFractal(x * 0.08f, z * 0.08f, 17, 3);
      mix(c, grass, meadowDark, GenSmoothStep(0.35f, 0.75f, meadow));
      mix(c, c, rock, GenSmoothStep(-3.5f, 1.5f, h));
      mix(c, c, snow, GenSmoothStep(6.5f, 8.5f, h + 2.0f * GenNoise(x * 0.3f, z * 0.3f, 11)));
      float grain = 0.85f + 0.3f * GenNoise(x * 1.7f, z * 1.7f, 5);
      GenImageSet(image, col, row, c[0] * shade * grain, c[1] * shade * grain, c[2] * shade * grain);
    }
  return image;
}

// Planks inside a dark frame with a diagonal brace.
GenImage GenImageCrate(int32_t size)
{
  GenImage image = GenImageMake(size, size);
  for (int32_t row = 0; row < size; row++)
    for (int32_t col = 0; col < size; col++) {
      float u = ((float)col + 0.5f) / (float)size, v = ((float)row + 0.5f) / (float)size;
      float grain = GenFractal(u * 3.0f, v * 40.0f, 21, 3);
      float plank = std::fmod(v * 5.0f, 1.0f);
      float r = 0.62f + 0.25f * grain, g = 0.42f + 0.18f * grain, b = 0.20f + 0.08f * grain;
      float dark = plank < 0.06f ? 0.55f : 1.0f;
      bool frame = u < 0.1f || u > 0.9f || v < 0.1f || v > 0.9f;
      bool brace = std::fabs(u - v) < 0.07f;
      if (frame || brace)
        dark = 0.62f;
      if (frame && (std::fabs(u - 0.05f) < 0.02f || std::fabs(u - 0.95f) < 0.02f) &&
          (std::fabs(v - 0.05f) < 0.02f || std::fabs(v - 0.95f) < 0.02f))
        r = g = b = 0.8f;   // nail heads in the corners
      GenImageSet(image, col, row, r * dark, g * dark, b * dark);
    }
  return image;
}

// A small planet: oceans, continents from noise, ice at the poles. The noise
// is sampled on the sphere so that the picture has no seam at u = 0 and 1.
GenImage GenImageGlobe(int32_t width, int32_t height)
{
  GenImage image = GenImageMake(width, height);
  for (int32_t row = 0; row < height; row++)
    for (int32_t col = 0; col < width; col++) {
      float phi = 6.2831853f * ((float)col + 0.5f) / (float)width;
      float v = ((float)row + 0.5f) / (float)height, theta = 3.1415927f * (1.0f - v);
      float sx = std::sin(theta) * std::cos(phi), sz = std::sin(theta) * std::sin(phi);
      float sy = std::cos(theta);
      float land = 0.5f * (GenFractal(sx * 1.8f + 5.0f, sy * 1.8f + 5.0f, 31, 5) +
                           GenFractal(sz * 1.8f + 9.0f, sx * 1.8f + 1.0f, 41, 5));
      float ice = GenSmoothStep(0.78f, 0.86f, std::fabs(v - 0.5f) * 2.0f);
      float r, g, b;
      if (land > 0.56f) {
        float hi = GenSmoothStep(0.56f, 0.68f, land);
        r = 0.18f + 0.45f * hi, g = 0.55f - 0.05f * hi, b = 0.15f + 0.15f * hi;
      } else {
        float deep = GenSmoothStep(0.35f, 0.56f, land);
        r = 0.05f, g = 0.18f + 0.25f * deep, b = 0.45f + 0.35f * deep;
      }
      r += (0.95f - r) * ice, g += (0.97f - g) * ice, b += (1.0f - b) * ice;
      GenImageSet(image, col, row, r, g, b);
    }
  return image;
}

// A chrome environment: sky above the horizon line (the picture's middle),
// dark ground below, a bright rim at the horizon and soft bands across.
// Nothing in it is whiter than a light grey, so that the chrome, passing
// under the scroll text's rows, never hides the white letters.
GenImage GenImageSky(int32_t size)
{
  GenImage image = GenImageMake(size, size);
  for (int32_t row = 0; row < size; row++)
    for (int32_t col = 0; col < size; col++) {
      float u = ((float)col + 0.5f) / (float)size, v = ((float)row + 0.5f) / (float)size;
      float band = 0.5f + 0.5f * std::sin(u * 6.2831853f * 3.0f);
      float r, g, b;
      if (v >= 0.5f) {
        float up = (v - 0.5f) * 2.0f;
        r = 0.95f - 0.7f * up, g = 0.97f - 0.5f * up, b = 1.0f - 0.15f * up;
      } else {
        float down = (0.5f - v) * 2.0f;
        r = 0.35f - 0.25f * down, g = 0.28f - 0.2f * down, b = 0.3f - 0.2f * down;
      }
      float rim = std::exp(-std::fabs(v - 0.5f) * 40.0f);
      float shade = 0.8f + 0.2f * band;
      float c[3] = {r * shade + rim, g * shade + rim * 0.9f, b * shade + rim * 0.7f};
      for (float &k : c)
        k = 0.74f * (k < 1.0f ? k : 1.0f);
      GenImageSet(image, col, row, c[0], c[1], c[2]);
    }
  return image;
}

// The sky over the valley: haze at the horizon deepening to blue overhead,
// a darker band below the horizon for the dome's skirt, and drifting clouds
// between, thickest a little above the horizon. The clouds are sampled on a
// circle around the sky so the picture joins at u = 0 and 1.
GenImage GenImageHeaven(int32_t width, int32_t height, float horizon)
{
  static const float haze[3] = {0.74f, 0.83f, 0.93f}, zenith[3] = {0.13f, 0.30f, 0.72f};
  static const float skirt[3] = {0.52f, 0.60f, 0.70f}, cloud[3] = {0.90f, 0.91f, 0.94f};
  GenImage image = GenImageMake(width, height);
  for (int32_t row = 0; row < height; row++)
    for (int32_t col = 0; col < width; col++) {
      float u = ((float)col + 0.5f) / (float)width, v = ((float)row + 0.5f) / (float)height;
      float up = (v - horizon) / (1.0f - horizon);  // 0 at the horizon, 1 overhead
      float c[3];
      if (up < 0.0f) {
        mix(c, haze, skirt, GenSmoothStep(0.0f, 0.6f, -up / horizon * (1.0f - horizon)));
      } else {
        mix(c, haze, zenith, std::pow(up, 0.55f));
        float angle = 6.2831853f * u, reach = 3.0f + 6.0f * up;
        float n = GenFractal(std::cos(angle) * reach + 7.0f, std::sin(angle) * reach + 3.0f * up, 53, 5);
        float amount = GenSmoothStep(0.5f, 0.72f, n) * GenSmoothStep(0.0f, 0.12f, up) *
                       (1.0f - GenSmoothStep(0.55f, 0.95f, up));
        mix(c, c, cloud, 0.85f * amount);
      }
      GenImageSet(image, col, row, c[0], c[1], c[2]);
    }
  return image;
}
