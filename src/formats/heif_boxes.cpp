#include "formats/heif_boxes.h"

#include <algorithm>
#include <cstring>
#include <map>
#include <optional>
#include <string>

namespace drollo::formats::heif_boxes {
namespace {

using Bytes = std::span<const std::uint8_t>;

// Big-endian fields read in order; a read past the end leaves ok false and gives 0.
class Fields {
 public:
  explicit Fields(Bytes data) : data_(data) {}
  std::uint64_t Take(std::size_t bytes) {
    if (!ok_ || bytes > data_.size() - at_) {
      ok_ = false;
      return 0;
    }
    std::uint64_t v = 0;
    for (std::size_t i = 0; i < bytes; ++i) v = (v << 8) | data_[at_ + i];
    at_ += bytes;
    return v;
  }
  // The next n bytes in place.
  Bytes TakeBytes(std::uint64_t n) {
    if (!ok_ || n > data_.size() - at_) {
      ok_ = false;
      return {};
    }
    const Bytes out = data_.subspan(at_, static_cast<std::size_t>(n));
    at_ += static_cast<std::size_t>(n);
    return out;
  }
  Bytes Rest() const { return ok_ ? data_.subspan(at_) : Bytes{}; }
  bool ok() const { return ok_; }

 private:
  Bytes data_;
  std::size_t at_ = 0;
  bool ok_ = true;
};

struct Box {
  char type[4];
  Bytes body;
};

// Calls visit(box) for each box laid end to end in data, up to the first one that does not fit.
template <typename Visit>
void ForEachBox(Bytes data, Visit visit) {
  std::size_t at = 0;
  while (data.size() - at >= 8) {
    Fields f(data.subspan(at));
    std::uint64_t size = f.Take(4);
    Box box;
    std::memcpy(box.type, data.data() + at + 4, 4);
    f.Take(4);
    std::size_t header = 8;
    if (size == 1) {
      size = f.Take(8);
      header = 16;
      if (!f.ok()) return;
    } else if (size == 0) {
      size = data.size() - at;
    }
    if (size < header || size > data.size() - at) return;
    box.body = data.subspan(at + header, size - header);
    visit(box);
    at += size;
  }
}

bool Is(const Box& box, const char* type) {
  return std::memcmp(box.type, type, 4) == 0;
}

// A full box's body after its version and flags.
Bytes FullBody(const Box& box, int& version) {
  if (box.body.size() < 4) return {};
  version = box.body[0];
  return box.body.subspan(4);
}

struct Extent {
  std::uint64_t offset = 0;
  std::uint64_t length = 0;
  bool operator==(const Extent&) const = default;
};

struct Location {
  int construction = 0;  // 0: offsets in the file, 1: in the meta box's idat
  std::vector<Extent> extents;
  bool operator==(const Location&) const = default;
};

// How the field sizes of an iloc box are read. The format allows 0, 4 and 8 bytes. A damaged box
// may state others: read as stated, or as libheif reads them, as no field at all. The two readings
// can place an item's data differently, so the checks here look at both.
enum class FieldSizes { AsStated, FourOrEightOnly };

std::map<std::uint32_t, Location> Locations(const Box& iloc, FieldSizes rule) {
  std::map<std::uint32_t, Location> out;
  int version = 0;
  Fields f(FullBody(iloc, version));
  if (version > 2) return out;
  const std::uint64_t sizes = f.Take(2);
  const auto size = [&](std::uint64_t n) -> std::size_t {
    n &= 15;
    return rule == FieldSizes::AsStated || n == 4 || n == 8 ? n : 0;
  };
  const std::size_t offsetSize = size(sizes >> 12);
  const std::size_t lengthSize = size(sizes >> 8);
  const std::size_t baseSize = size(sizes >> 4);
  const std::size_t indexSize = version >= 1 ? size(sizes) : 0;
  const std::uint64_t count = f.Take(version < 2 ? 2 : 4);
  for (std::uint64_t i = 0; i < count && f.ok(); ++i) {
    const auto item = static_cast<std::uint32_t>(f.Take(version < 2 ? 2 : 4));
    Location location;
    if (version >= 1) location.construction = static_cast<int>(f.Take(2) & 15);
    f.Take(2);  // data reference index
    const std::uint64_t base = f.Take(baseSize);
    std::uint64_t extents = f.Take(2);
    // Extents whose fields all have size 0 take no bytes and are all alike: a few of them say all
    // that can be read (each is the rest of the data from the base offset), and a box of 65535
    // items of 65535 such extents each is then no more work than its bytes.
    if (indexSize + offsetSize + lengthSize == 0) extents = std::min<std::uint64_t>(extents, 32);
    for (std::uint64_t e = 0; e < extents && f.ok(); ++e) {
      f.Take(indexSize);
      Extent extent;
      extent.offset = base + f.Take(offsetSize);
      extent.length = f.Take(lengthSize);
      location.extents.push_back(extent);
    }
    if (f.ok()) out[item] = std::move(location);
  }
  return out;
}

// The type of every item of an iinf box, by item.
std::map<std::uint32_t, std::string> ItemTypes(const Box& iinf) {
  std::map<std::uint32_t, std::string> out;
  int version = 0;
  Bytes body = FullBody(iinf, version);
  const std::size_t countBytes = version == 0 ? 2 : 4;
  if (body.size() < countBytes) return out;
  ForEachBox(body.subspan(countBytes), [&](const Box& infe) {
    int v = 0;
    if (!Is(infe, "infe")) return;
    Fields f(FullBody(infe, v));
    if (v < 2) return;
    const auto item = static_cast<std::uint32_t>(f.Take(v == 2 ? 2 : 4));
    f.Take(2);  // protection index
    const Bytes type = f.Rest().first(std::min<std::size_t>(4, f.Rest().size()));
    if (!f.ok() || type.size() < 4) return;
    out[item] = std::string(type.begin(), type.end());
  });
  return out;
}

// The item types, the item locations and the idat data of a meta box.
struct MetaItems {
  std::map<std::uint32_t, std::string> types;
  std::map<std::uint32_t, Location> locations;
  Bytes idat;
};

MetaItems ReadMetaItems(const Box& meta, Bytes file, FieldSizes rule) {
  MetaItems m;
  int version = 0;
  ForEachBox(FullBody(meta, version), [&](const Box& box) {
    if (Is(box, "iinf")) m.types = ItemTypes(box);
    if (Is(box, "iloc")) m.locations = Locations(box, rule);
    // libheif reads an item stored in idat from the file at idat's start plus the item's offset,
    // without stopping at idat's end; so does this.
    if (Is(box, "idat"))
      m.idat = file.subspan(static_cast<std::size_t>(box.body.data() - file.data()));
  });
  return m;
}

// The first bytes of an item's data (no more than wanted), joined from its extents.
std::vector<std::uint8_t> ItemStart(const Location& location, Bytes file, Bytes idat,
                                    std::size_t wanted) {
  std::vector<std::uint8_t> out;
  const Bytes source = location.construction == 0 ? file : idat;
  if (location.construction > 1) return out;
  for (const Extent& e : location.extents) {
    if (out.size() >= wanted || e.offset > source.size()) break;
    const std::uint64_t available = source.size() - e.offset;
    const std::uint64_t length = e.length == 0 ? available : std::min(e.length, available);
    const std::size_t take =
        static_cast<std::size_t>(std::min<std::uint64_t>(length, wanted - out.size()));
    out.insert(out.end(), source.begin() + static_cast<std::ptrdiff_t>(e.offset),
               source.begin() + static_cast<std::ptrdiff_t>(e.offset + take));
    if (length < e.length) break;
  }
  return out;
}

// Calls visit(item, type, location, idat) for every item of a meta box whose location can be
// read, under both readings of the iloc box's field sizes (once where they agree).
template <typename Visit>
void ForEachItem(const Box& meta, Bytes file, Visit visit) {
  const MetaItems stated = ReadMetaItems(meta, file, FieldSizes::AsStated);
  const MetaItems libheif = ReadMetaItems(meta, file, FieldSizes::FourOrEightOnly);
  for (const MetaItems* m : {&stated, &libheif}) {
    for (const auto& [item, type] : m->types) {
      const auto where = m->locations.find(item);
      if (where == m->locations.end()) continue;
      if (m == &libheif) {
        const auto same = stated.locations.find(item);
        if (same != stated.locations.end() && same->second == where->second) continue;
      }
      visit(item, type, where->second, m->idat);
    }
  }
}

void AddDerivedImages(const Box& meta, Bytes file, std::vector<DerivedImage>& out) {
  ForEachItem(
      meta, file,
      [&](std::uint32_t item, const std::string& type, const Location& location, Bytes idat) {
        const bool grid = type == "grid";
        if (!grid && type != "iovl") return;
        // grid: version, flags, rows - 1, columns - 1, width, height;
        // iovl: version, flags, four 16-bit fill values, width, height. Flag 1 makes the sizes
        // 32-bit.
        const std::vector<std::uint8_t> data = ItemStart(location, file, idat, 18);
        Fields f(data);
        f.Take(1);
        const bool wide = (f.Take(1) & 1) != 0;
        f.Take(grid ? 2 : 8);
        DerivedImage image{item, grid, 0, 0};
        image.width = f.Take(wide ? 4 : 2);
        image.height = f.Take(wide ? 4 : 2);
        if (f.ok()) out.push_back(image);
      });
}

// Bits read most significant first; a read past the end leaves ok false and gives 0.
class Bits {
 public:
  explicit Bits(Bytes data) : data_(data) {}
  std::uint64_t Take(int n) {
    std::uint64_t v = 0;
    for (int i = 0; i < n; ++i) {
      if (at_ >= 8 * data_.size()) {
        ok_ = false;
        return 0;
      }
      v = (v << 1) | ((data_[at_ >> 3] >> (7 - (at_ & 7))) & 1u);
      ++at_;
    }
    return v;
  }
  // uvlc() of AV1, ue(v) of HEVC: leading zeros, a one, then as many bits.
  void SkipUvlc() {
    int zeros = 0;
    while (ok_ && Take(1) == 0) ++zeros;
    Take(std::min(zeros, 32));
  }
  std::uint64_t Ue() {
    int zeros = 0;
    while (ok_ && Take(1) == 0) {
      if (++zeros > 32) ok_ = false;
    }
    if (!ok_) return 0;
    return (std::uint64_t{1} << zeros) - 1 + Take(zeros);
  }
  bool ok() const { return ok_; }

 private:
  Bytes data_;
  std::size_t at_ = 0;
  bool ok_ = true;
};

// max_frame_width and max_frame_height of an AV1 sequence header OBU's payload: every frame of the
// sequence is at most that large.
std::optional<CodedSize> SequenceHeaderSize(Bytes payload) {
  Bits b(payload);
  b.Take(3);             // seq_profile
  b.Take(1);             // still_picture
  if (b.Take(1) != 0) {  // reduced_still_picture_header
    b.Take(5);           // seq_level_idx
  } else {
    bool decoderModel = false;
    int delayBits = 0;
    if (b.Take(1) != 0) {                // timing_info_present_flag
      b.Take(32);                        // num_units_in_display_tick
      b.Take(32);                        // time_scale
      if (b.Take(1) != 0) b.SkipUvlc();  // num_ticks_per_picture_minus_1
      decoderModel = b.Take(1) != 0;
      if (decoderModel) {
        delayBits = static_cast<int>(b.Take(5)) + 1;
        b.Take(32);  // num_units_in_decoding_tick
        b.Take(10);  // buffer_removal_time_length_minus_1, frame_presentation_time_length_minus_1
      }
    }
    const bool displayDelay = b.Take(1) != 0;
    const int points = static_cast<int>(b.Take(5)) + 1;
    for (int i = 0; i < points && b.ok(); ++i) {
      b.Take(12);                    // operating_point_idc
      if (b.Take(5) > 7) b.Take(1);  // seq_level_idx, seq_tier
      if (decoderModel && b.Take(1) != 0) b.Take(2 * delayBits + 1);
      if (displayDelay && b.Take(1) != 0) b.Take(4);
    }
  }
  const int widthBits = static_cast<int>(b.Take(4)) + 1;
  const int heightBits = static_cast<int>(b.Take(4)) + 1;
  const std::uint64_t width = b.Take(widthBits) + 1;
  const std::uint64_t height = b.Take(heightBits) + 1;
  if (!b.ok()) return std::nullopt;
  return CodedSize{width, height};
}

// The frame size of the first sequence header among AV1 OBUs laid end to end.
std::optional<CodedSize> FirstSequenceHeaderSize(Bytes obus) {
  std::size_t at = 0;
  while (at < obus.size()) {
    const std::uint8_t header = obus[at++];
    if ((header & 0x80) != 0) return std::nullopt;  // obu_forbidden_bit
    const int type = (header >> 3) & 15;
    if ((header & 4) != 0) ++at;  // obu_extension_flag: one more byte
    if (at > obus.size()) return std::nullopt;
    std::uint64_t size = obus.size() - at;
    if ((header & 2) != 0) {  // obu_has_size_field: leb128
      size = 0;
      for (int i = 0;; ++i) {
        if (i == 8 || at >= obus.size()) return std::nullopt;
        const std::uint8_t byte = obus[at++];
        size |= static_cast<std::uint64_t>(byte & 0x7F) << (7 * i);
        if ((byte & 0x80) == 0) break;
      }
      size = std::min<std::uint64_t>(size, obus.size() - at);
    }
    const Bytes payload = obus.subspan(at, static_cast<std::size_t>(size));
    if (type == 1) return SequenceHeaderSize(payload);  // OBU_SEQUENCE_HEADER
    at += static_cast<std::size_t>(size);
  }
  return std::nullopt;
}

// Calls visit(property) for every property box in a meta box's iprp/ipco.
template <typename Visit>
void ForEachProperty(const Box& meta, Visit visit) {
  int version = 0;
  ForEachBox(FullBody(meta, version), [&](const Box& iprp) {
    if (!Is(iprp, "iprp")) return;
    ForEachBox(iprp.body, [&](const Box& ipco) {
      if (Is(ipco, "ipco")) ForEachBox(ipco.body, visit);
    });
  });
}

// The sequence headers in the av1C properties and at the start of the av01 items' data.
void AddAv1Sizes(const Box& meta, Bytes file, std::vector<CodedSize>& out) {
  auto add = [&](Bytes obus) {
    if (const std::optional<CodedSize> size = FirstSequenceHeaderSize(obus)) out.push_back(*size);
  };
  ForEachProperty(meta, [&](const Box& av1C) {
    // marker and version, profile and level, flags, presentation delay; then configOBUs
    if (Is(av1C, "av1C") && av1C.body.size() > 4) add(av1C.body.subspan(4));
  });
  ForEachItem(meta, file,
              [&](std::uint32_t, const std::string& type, const Location& location, Bytes idat) {
                if (type == "av01") add(ItemStart(location, file, idat, 4096));
              });
}

// --- HEVC ------------------------------------------------------------------------------------

constexpr int kSpsNal = 33;

// The payload of a NAL unit after its two-byte header, without the emulation prevention bytes
// (00 00 03 stands for 00 00), as far as `wanted` bytes.
std::vector<std::uint8_t> NalPayload(Bytes nal, std::size_t wanted) {
  std::vector<std::uint8_t> out;
  int zeros = 0;
  for (std::size_t i = 2; i < nal.size() && out.size() < wanted; ++i) {
    if (zeros >= 2 && nal[i] == 3) {
      zeros = 0;
      continue;
    }
    out.push_back(nal[i]);
    zeros = nal[i] == 0 ? zeros + 1 : 0;
  }
  return out;
}

// pic_width_in_luma_samples and pic_height_in_luma_samples of a sequence parameter set NAL unit.
std::optional<CodedSize> SpsSize(Bytes nal) {
  if (nal.size() < 2 || ((nal[0] >> 1) & 0x3F) != kSpsNal) return std::nullopt;
  const std::vector<std::uint8_t> payload = NalPayload(nal, 256);
  Bits b(payload);
  b.Take(4);                                          // sps_video_parameter_set_id
  const int subLayers = static_cast<int>(b.Take(3));  // sps_max_sub_layers_minus1
  b.Take(1);                                          // sps_temporal_id_nesting_flag
  // profile_tier_level: the general profile (88 bits) and level (8 bits), then per sub-layer
  // whether its profile and level follow, padded to eight sub-layers.
  b.Take(88);
  b.Take(8);
  bool profile[8] = {}, level[8] = {};
  for (int i = 0; i < subLayers; ++i) {
    profile[i] = b.Take(1) != 0;
    level[i] = b.Take(1) != 0;
  }
  if (subLayers > 0) b.Take(2 * (8 - subLayers));
  for (int i = 0; i < subLayers; ++i) {
    if (profile[i]) b.Take(88);
    if (level[i]) b.Take(8);
  }
  b.Ue();                               // sps_seq_parameter_set_id
  if (b.Ue() == 3) b.Take(1);           // chroma_format_idc, separate_colour_plane_flag
  const std::uint64_t width = b.Ue();   // pic_width_in_luma_samples
  const std::uint64_t height = b.Ue();  // pic_height_in_luma_samples
  if (!b.ok()) return std::nullopt;
  return CodedSize{width, height};
}

// The sequence parameter sets in the hvcC properties and among the NAL units of the hvc1 items'
// data, which libheif hands to the decoder with four-byte lengths.
void AddHevcSizes(const Box& meta, Bytes file, std::vector<CodedSize>& out) {
  auto add = [&](Bytes nal) {
    if (const std::optional<CodedSize> size = SpsSize(nal)) out.push_back(*size);
  };
  ForEachProperty(meta, [&](const Box& hvcC) {
    if (!Is(hvcC, "hvcC") || hvcC.body.size() < 23) return;
    // 22 bytes of configuration, then arrays of NAL units of one type each.
    Fields f(hvcC.body.subspan(22));
    const std::uint64_t arrays = f.Take(1);
    for (std::uint64_t a = 0; a < arrays && f.ok(); ++a) {
      f.Take(1);  // array_completeness, NAL_unit_type
      const std::uint64_t units = f.Take(2);
      for (std::uint64_t u = 0; u < units && f.ok(); ++u) add(f.TakeBytes(f.Take(2)));
    }
  });
  ForEachItem(meta, file,
              [&](std::uint32_t, const std::string& type, const Location& location, Bytes idat) {
                if (type != "hvc1") return;
                const std::vector<std::uint8_t> data = ItemStart(location, file, idat, 4096);
                Fields f(data);
                while (f.ok()) {
                  const Bytes nal = f.TakeBytes(f.Take(4));
                  if (f.ok()) add(nal);
                }
              });
}

}  // namespace

std::vector<CodedSize> HevcFrameSizes(std::span<const std::uint8_t> file) {
  std::vector<CodedSize> out;
  ForEachBox(file, [&](const Box& box) {
    if (Is(box, "meta")) AddHevcSizes(box, file, out);
  });
  return out;
}

std::vector<CodedSize> Av1FrameSizes(std::span<const std::uint8_t> file) {
  std::vector<CodedSize> out;
  ForEachBox(file, [&](const Box& box) {
    if (Is(box, "meta")) AddAv1Sizes(box, file, out);
  });
  return out;
}

std::vector<DerivedImage> DerivedImages(std::span<const std::uint8_t> file) {
  std::vector<DerivedImage> out;
  ForEachBox(file, [&](const Box& box) {
    if (Is(box, "meta")) AddDerivedImages(box, file, out);
  });
  return out;
}

bool HasTransformProperties(std::span<const std::uint8_t> file) {
  bool found = false;
  ForEachBox(file, [&](const Box& box) {
    if (found || !Is(box, "meta")) return;
    const Bytes meta = box.body;
    for (std::size_t i = 4; i + 4 <= meta.size() && !found; ++i) {
      const bool transform = std::memcmp(meta.data() + i, "irot", 4) == 0 ||
                             std::memcmp(meta.data() + i, "imir", 4) == 0;
      if (!transform) continue;
      Fields size(meta.subspan(i - 4, 4));
      const std::uint64_t boxSize = size.Take(4);
      found = boxSize >= 9 && boxSize <= meta.size() - (i - 4);
    }
  });
  return found;
}

}  // namespace drollo::formats::heif_boxes
