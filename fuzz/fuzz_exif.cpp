#include "formats/exif.h"
#include "fuzz_target.h"

// The EXIF reader never throws: a damaged block reads as orientation 1 and is dropped on
// rewriting. A rewritten block must read again the same way, upright.
extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
  const std::span<const std::uint8_t> block(data, size);
  drollo::formats::ExifOrientation(block);
  const std::vector<std::uint8_t> upright = drollo::formats::UprightExif(block);
  if (!upright.empty() && drollo::formats::ExifOrientation(upright) != 1) __builtin_trap();
  return 0;
}
