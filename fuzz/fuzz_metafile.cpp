#include "formats/metafile.h"
#include "fuzz_target.h"

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
  return drollo::formats::fuzz::Run(data, size, [](auto bytes, const auto& limits) {
    return drollo::formats::BuiltInMetafileReader().Read(bytes, limits);
  });
}
