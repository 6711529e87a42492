// The one table of picture file types: what each is called, the names it goes by, how the open
// and save dialogs offer it, and the reader and writer behind it. Opening, saving, exporting, the
// dialogs' filters and the batch driver all look types up here.
//
// Opening goes by content: the first bytes of a file name its type (a photo called .jpg that is
// really a PNG still opens), and the extension only decides when the content names none.
#pragma once

#include <cstdint>
#include <span>
#include <string>
#include <string_view>
#include <vector>

#include "formats/errors.h"
#include "formats/metadata.h"
#include "formats/metafile.h"
#include "image/picture.h"

namespace drollo::formats {

enum class FileType { Jpeg, Bmp, Metafile, Gif, Png, Webp, Tiff, Heif, Avif, Icon };

struct ReadOptions {
  const MetafileReader* metafiles = nullptr;  // nullptr: BuiltInMetafileReader()
  DecodeLimits limits;
};

struct FileTypeInfo {
  FileType type;
  std::string_view name;  // for messages: "JPEG", "HEIC/HEIF"
  // Lower case with the dot. Each offered by the open dialog gets its own entry there, in this
  // order; the first is the one a saved file gets.
  std::vector<std::string_view> extensions;
  bool inOpenDialog;
  // The MIME types the desktop associates with the type, for the menu entry's MimeType list.
  std::vector<std::string_view> mimeTypes;
  // 1-based entry of the save dialog, 0 when the type is not written.
  int saveFilterIndex;
  LoadedPicture (*read)(std::span<const std::uint8_t> file, const ReadOptions& options);
  // nullptr when the type is not written. Writers that cannot carry metadata ignore it.
  std::vector<std::uint8_t> (*write)(const Picture& picture, const PhotoMetadata& metadata);
};

// Every type, in the order the open dialog offers them.
const std::vector<FileTypeInfo>& FileTypes();
const FileTypeInfo& FileTypeOf(FileType type);

// The type whose extensions hold the name's extension (case ignored), or nullptr.
const FileTypeInfo* FileTypeForName(const std::string& name);
// The type the file's first bytes identify, or nullptr.
const FileTypeInfo* FileTypeForContent(std::span<const std::uint8_t> head);
// The type of save dialog entry `index` (1-based), or nullptr.
const FileTypeInfo* FileTypeForSaveFilter(int index);

// Dialog filters as pairs of shown text and pattern joined by "|", the form the dialogs take.
// Open: "*.jpg|*.jpg|*.jpeg|*.jpeg|*.bmp|*.bmp|*.wmf|*.wmf|*.emf|*.emf|*.gif|*.gif|" then one
// entry per new extension (png, webp, tif, tiff, heic, heif, avif), then "All pictures" with
// every readable extension separated by spaces, and "All files|*.*" last.
std::string OpenDialogFilter();
// 1-based entry of "All pictures" in OpenDialogFilter(), the one to preselect.
int OpenDialogAllPicturesEntry();
// Save: "*.jpg|*.jpg|*.bmp|*.bmp|*.wmf|*.wmf|*.png|*.png" (entries 1 to 4).
std::string SaveDialogFilter();
// Every type's MIME types, each followed by ";", as a desktop entry's MimeType key takes them.
std::string DesktopMimeTypes();

// Opens a picture file whatever its name, by content. The picture is 24 bits, but for a .bmp file
// (its own depth) and a grayscale JPEG (8 bits with a grey table); photos are turned upright.
// Throws PictureFileError naming the file and the reason when it does not exist, cannot be read,
// is of no known type, is damaged, or holds a picture larger than the limits.
LoadedPicture LoadPicture(const std::string& name, const ReadOptions& options = {});

// Writes the picture as `type` under the name with its extension replaced by the type's first
// one (WithExtension), safely (a temporary file renamed over the name when complete); returns the
// name written. JPEG and PNG carry `metadata`; throws PictureFileError when the type is not
// written or the file cannot be created.
std::string SavePicture(const Picture& picture, const std::string& name, FileType type,
                        const PhotoMetadata& metadata = {});

}  // namespace drollo::formats
