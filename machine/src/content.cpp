// Finding a scene's content folder on the desktop.
//
// A scene names its objects relative to LightWave's content folder:
//   LoadObjectLayer 1 Objects/ship.lwo              formats 3 (layer, name)
//   LoadObjectLayer 1 10000000 Objects/ship.lwo     formats 4 and 5 (layer, item id, name)
//   LoadObject Objects/ship.lwo                     formats 1 and 2
// The folder is looked for as LightWave users expect: the scene's own folder,
// then its parents, the first under which the objects are found.
#include "machine.h"

#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <sys/stat.h>
#include <vector>

namespace fs = std::filesystem;

enum { MAX_CLIMB = 64 };  // parents looked at above the scene's folder

// The rest of `line` after its `spaces`-th space ("" when it has fewer).
static std::string afterSpaces(const std::string &line, int spaces)
{
  size_t at = 0;
  for (int i = 0; i < spaces; i++) {
    at = line.find(' ', at);
    if (at == std::string::npos)
      return std::string();
    at++;
  }
  return line.substr(at);
}

// The object file names of the scene text, in file order.
static int objectNames(const std::string &scenePath, std::vector<std::string> *names)
{
  std::ifstream in(scenePath, std::ios::binary);
  if (!in)
    return -1;
  std::string line;
  int lineNumber = 0, format = 3;
  while (std::getline(in, line)) {
    if (!line.empty() && line.back() == '\r')
      line.pop_back();
    if (++lineNumber == 2)
      format = atoi(line.c_str());
    if (line.rfind("LoadObjectLayer ", 0) == 0)
      names->push_back(afterSpaces(line, format >= 4 ? 3 : 2));
    else if (line.rfind("LoadObject ", 0) == 0)
      names->push_back(afterSpaces(line, 1));
  }
  return 0;
}

// How many of the names are files under `folder`, as the host file service
// resolves them there.
static int countFound(const std::string &folder, const std::vector<std::string> &names)
{
  int found = 0;
  for (const std::string &name : names) {
    std::string path = MachineResolveHostPathUnder(folder, name.c_str());
    struct stat st;
    found += !path.empty() && stat(path.c_str(), &st) == 0 && S_ISREG(st.st_mode);
  }
  return found;
}

int MachineFindContentFolder(const std::string &scenePath, MachineContent *content)
{
  std::error_code ec;
  fs::path scene = fs::weakly_canonical(fs::absolute(scenePath, ec), ec);
  std::vector<std::string> names;
  if (ec || !fs::is_regular_file(scene, ec) || objectNames(scene.string(), &names) != 0)
    return -1;
  content->objects = (int)names.size();
  content->found = -1;
  fs::path folder = scene.parent_path();
  for (int climb = 0; climb <= MAX_CLIMB; climb++) {
    int found = countFound(folder.string(), names);
    if (found > content->found) {
      content->found = found;
      content->folder = folder.string();
    }
    if (found == content->objects || folder == folder.root_path() || !folder.has_parent_path())
      break;
    folder = folder.parent_path();
  }
  if (content->found <= 0) {
    content->found = 0;
    content->folder = scene.parent_path().string();
  }
  content->sceneName = fs::relative(scene, content->folder, ec).generic_string();
  return 0;
}

std::string MachineDescribeContent(const MachineContent &content)
{
  return "content folder " + content.folder + " (" + std::to_string(content.found) + " of " +
         std::to_string(content.objects) + " objects found there" +
         (content.found < content.objects ? ", the others looked for by their file name)" : ")");
}
