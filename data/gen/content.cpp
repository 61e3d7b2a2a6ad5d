// Writing the show's content folder: the generated objects, pictures and
// scene, the font drawn from its glyph source, and the scroll text.
#include <cstdio>
#include <filesystem>
#include <fstream>
#include <sstream>

#include "datagen.h"

static int32_t readText(const std::string &path, std::string &text)
{
  std::ifstream in(path, std::ios::binary);
  if (!in) {
    std::fprintf(stderr, "morvane-datagen: %s can not be read\n", path.c_str());
    return GEN_ERR_READ;
  }
  std::ostringstream all;
  all << in.rdbuf();
  text = all.str();
  return GEN_OK;
}

// Writes through a temporary name and renames, so that an interrupted build
// never leaves a half-written file that looks up to date.
static int32_t writeBytes(const std::filesystem::path &path, const uint8_t *data, size_t size)
{
  std::error_code ec;
  std::filesystem::create_directories(path.parent_path(), ec);
  std::filesystem::path temp = path;
  temp += ".part";
  {
    std::ofstream out(temp, std::ios::binary | std::ios::trunc);
    out.write(reinterpret_cast<const char *>(data), (std::streamsize)size);
    if (!out.good()) {
      std::fprintf(stderr, "morvane-datagen: %s can not be written\n", path.string().c_str());
      return GEN_ERR_WRITE;
    }
  }
  std::filesystem::rename(temp, path, ec);
  if (ec) {
    std::fprintf(stderr, "morvane-datagen: %s can not be written\n", path.string().c_str());
    return GEN_ERR_WRITE;
  }
  return GEN_OK;
}

static int32_t writeFont(const std::filesystem::path &dir, const std::string &fontSource)
{
  std::string source, error;
  int32_t status = readText(fontSource, source);
  if (status != GEN_OK)
    return status;
  GenFont font{};
  if (GenFontParse(source, font, error) != GEN_OK) {
    std::fprintf(stderr, "morvane-datagen: %s: %s\n", fontSource.c_str(), error.c_str());
    return GEN_ERR_FAILED;
  }
  std::vector<uint8_t> bytes = GenTgaBytes(GenFontImage(font));
  return writeBytes(dir / "vorlanth" / "fonte_400x8.tga", bytes.data(), bytes.size());
}

static int32_t writeScrollText(const std::string &textSource, const std::string &includePath)
{
  std::string source, text, error;
  int32_t status = readText(textSource, source);
  if (status != GEN_OK)
    return status;
  if (GenScrollCompose(source, text, error) != GEN_OK) {
    std::fprintf(stderr, "morvane-datagen: %s: %s\n", textSource.c_str(), error.c_str());
    return GEN_ERR_FAILED;
  }
  if (includePath.empty())
    return GEN_OK;
  std::string literal = GenScrollInclude(text);
  return writeBytes(includePath, reinterpret_cast<const uint8_t *>(literal.data()), literal.size());
}

// Content files of an earlier run that this run did not write (an object
// since renamed, a half-written ".part") would be packed into the archive
// with the rest; they are removed. Only the kinds of file written here go.
static void removeStale(const std::filesystem::path &dir, const std::vector<std::string> &written)
{
  std::error_code ec;
  for (const auto &entry : std::filesystem::directory_iterator(dir, ec)) {
    std::string ext = entry.path().extension().string();
    bool ours = ext == ".lwo" || ext == ".lws" || ext == ".tga" || ext == ".part";
    bool current = false;
    for (const std::string &name : written)
      current = current || entry.path().filename() == name;
    if (ours && !current && entry.is_regular_file(ec))
      std::filesystem::remove(entry.path(), ec);
  }
}

int32_t GenContentWrite(const std::string &contentDir, const std::string &fontSource,
                        const std::string &textSource, const std::string &includePath)
{
  std::vector<GenFile> files;
  int32_t status = GenShowFiles(files);
  if (status != GEN_OK)
    return status;
  std::vector<std::string> written = {"fonte_400x8.tga"};
  for (const GenFile &f : files) {
    status = writeBytes(std::filesystem::path(contentDir) / f.path, f.bytes.data(), f.bytes.size());
    if (status != GEN_OK)
      return status;
    written.push_back(std::filesystem::path(f.path).filename().string());
  }
  status = writeFont(contentDir, fontSource);
  if (status != GEN_OK)
    return status;
  removeStale(std::filesystem::path(contentDir) / "vorlanth", written);
  return writeScrollText(textSource, includePath);
}
