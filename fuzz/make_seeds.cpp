// Writes the seed files of every fuzz target, made by the same code as the format tests' files:
//   fuzz_seeds <folder>   creates <folder>/<target>/<seed file> for each target (the photo
//   formats have none made in code: their seeds are kept in fuzz/seeds/).
#include <cstdio>
#include <filesystem>
#include <fstream>

#include "formats/sample_files.h"

int main(int argc, char** argv) {
  if (argc != 2) {
    std::fprintf(stderr, "usage: %s <folder>\n", argv[0]);
    return 2;
  }
  namespace fs = std::filesystem;
  for (const char* target :
       {"bmp", "jpeg", "gif", "icon", "metafile", "png", "webp", "tiff", "heif", "exif"}) {
    const fs::path folder = fs::path(argv[1]) / target;
    fs::create_directories(folder);
    for (const auto& [name, bytes] : drollo::formats::samples::FuzzSeeds(target)) {
      std::ofstream out(folder / name, std::ios::binary);
      out.write(reinterpret_cast<const char*>(bytes.data()),
                static_cast<std::streamsize>(bytes.size()));
      if (!out) {
        std::fprintf(stderr, "cannot write %s\n", (folder / name).c_str());
        return 1;
      }
    }
  }
  return 0;
}
