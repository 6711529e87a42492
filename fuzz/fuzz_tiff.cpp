#include "formats/tiff.h"
#include "fuzz_target.h"

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
  return drollo::formats::fuzz::Run(data, size, drollo::formats::ReadTiff);
}
