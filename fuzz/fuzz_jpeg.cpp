#include "formats/jpeg.h"
#include "fuzz_target.h"

// ReadJpeg decodes as DecodeJpeg does and also reads the EXIF and ICC segments and turns the
// picture upright.
extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
  return drollo::formats::fuzz::Run(data, size, drollo::formats::ReadJpeg);
}
