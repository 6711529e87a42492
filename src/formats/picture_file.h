// Opening and saving picture files by name: the type key, the codecs behind it, and writes that
// never leave a half-written file in place of a good one.
#pragma once

#include <cstdint>
#include <optional>
#include <span>
#include <string>
#include <vector>

#include "formats/errors.h"
#include "formats/metafile.h"
#include "image/picture.h"

namespace drollo::formats {

// The last four characters of the name in upper case: ".JPG", "JPEG", ".BMP".
std::string TypeKey(const std::string& name);

// The picture in the named file, chosen by its type key:
//   ".BMP"            as stored (1, 4, 8, 16, 24 or 32 bits)
//   ".ICO"            24 bits (an unreadable icon throws IconFileError)
//   ".JPG", "JPEG"    24 bits, or 8 bits with a grey table for grayscale files; turned upright
//                     as the EXIF orientation says
//   ".GIF"            24 bits
//   ".WMF", ".EMF"    24 bits, through `metafiles`
//   anything else     an empty 0 x 0 picture; the file is not read
// No picture (std::nullopt) when no file of that name exists. Other failures throw
// PictureFileError with a message for the user. LoadPicture (file_types.h) opens by content
// instead and also gives the photo's metadata.
std::optional<Picture> LoadPictureFile(const std::string& name,
                                       const MetafileReader& metafiles = BuiltInMetafileReader(),
                                       const DecodeLimits& limits = {});

// The name with the part after the last "." of its file name replaced by `extension` (which
// starts with the dot); a file name without a dot gets the extension appended.
std::string WithExtension(const std::string& name, const std::string& extension);

// Writers. Each writes the whole file under a temporary name in the same folder and renames it
// over `name` only when complete, so a failed save leaves an existing file as it was.
void SaveAsJpeg(const Picture& picture, const std::string& name);
void SaveAsPng(const Picture& picture, const std::string& name);
void SaveAsBmp(const Picture& picture, const std::string& name);
// Writes to the name with its extension replaced by ".wmf"; returns the name written.
std::string SaveAsMetafile(const Picture& picture, const std::string& name);

// The whole file; throws PictureFileError when it cannot be read.
std::vector<std::uint8_t> ReadWholeFile(const std::string& name);
// Writes safely as above; throws PictureFileError ("Cannot create file ...") on failure.
void WriteFileSafely(const std::string& name, std::span<const std::uint8_t> bytes);

}  // namespace drollo::formats
