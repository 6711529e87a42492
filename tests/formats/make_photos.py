#!/usr/bin/python3
"""Makes the photo files of the format tests with independent tools, each with its reference.

    make_photos.py FOLDER

writes into FOLDER the files (PNG, WebP, TIFF, HEIC, AVIF and EXIF-tagged JPEG variants), for
each a reference picture decoded by another program (Python's PIL, dwebp, tiff2rgba,
heif-convert) and turned upright by PIL, as a binary PPM with transparency drawn over white, and
a manifest of tab-separated lines: file, reference, largest allowed difference per channel.

It also writes the files of the metadata tests: photo.jpg (an sRGB profile, EXIF with date
taken, camera, GPS position, orientation 6 and a thumbnail) and photo.icc, its profile.
"""
import io
import os
import subprocess
import sys

from PIL import Image, ImageCms, ImageOps

out = sys.argv[1]
os.makedirs(out, exist_ok=True)
manifest = []


def path(name):
    return os.path.join(out, name)


def run(*args):
    subprocess.run(args, check=True, stdout=subprocess.DEVNULL, stderr=subprocess.DEVNULL)


exiftool_jobs = []


def exiftool(*args):
    """Queued, so that one exiftool process (slow to start) does every job."""
    exiftool_jobs.append(["-q", "-overwrite_original", "-n", *args])


def run_exiftool():
    argfile = path("exiftool.args")
    with open(argfile, "w") as f:
        f.write("\n-execute\n".join("\n".join(job) for job in exiftool_jobs) + "\n")
    run("exiftool", "-@", argfile)


def over_white(im):
    """The picture as 8-bit RGB with its alpha drawn over white, rounding to nearest."""
    im = im.convert("RGBA")
    rgb = bytearray()
    for r, g, b, a in im.getdata():
        for c in (r, g, b):
            rgb.append((c * a + 255 * (255 - a) + 127) // 255)
    return Image.frombytes("RGB", im.size, bytes(rgb))


def reference(name, im, tolerance=0):
    ref = name + ".ref.ppm"
    over_white(im).save(path(ref))
    manifest.append(f"{name}\t{ref}\t{tolerance}")


def read_pam(name):
    """dwebp's PAM output (RGB_ALPHA), which PIL does not read."""
    data = open(path(name), "rb").read()
    end = data.index(b"ENDHDR\n") + len(b"ENDHDR\n")
    fields = dict(line.split(b" ", 1) for line in data[:end].split(b"\n")[1:-2])
    size = (int(fields[b"WIDTH"]), int(fields[b"HEIGHT"]))
    return Image.frombytes("RGBA", size, data[end:])


def pattern(w, h, alpha=False):
    """A picture with no symmetry, so that any turn or mirror shows."""
    im = Image.new("RGBA" if alpha else "RGB", (w, h))
    px = []
    for y in range(h):
        for x in range(w):
            p = ((x * 255) // max(1, w - 1), (y * 255) // max(1, h - 1), (x * 7 + y * 13) % 256)
            if alpha:
                p += ((x * 37 + y * 11) % 256,)
            px.append(p)
    im.putdata(px)
    return im


base = pattern(40, 30)
base_alpha = pattern(40, 30, alpha=True)
base.save(path("base.png"))
base_alpha.save(path("base_alpha.png"))

# --- PNG: PIL and ImageMagick write the variants, PIL reads them back ---------------------------
pngs = {
    "rgb.png": base,
    "rgba.png": base_alpha,
    "grey.png": base.convert("L"),
    "grey_alpha.png": base_alpha.convert("LA"),
    "palette.png": base.convert("P", palette=Image.ADAPTIVE, colors=16),
}
for name, im in pngs.items():
    im.save(path(name))
pal = base.convert("P", palette=Image.ADAPTIVE, colors=8)
pal.save(path("palette_trns.png"), transparency=3)
run("/usr/bin/convert", path("base.png"), "-depth", "16", path("rgb16.png"))
run("/usr/bin/convert", path("base_alpha.png"), "-interlace", "PNG", path("interlaced.png"))
run("/usr/bin/convert", path("base.png"), "-colorspace", "Gray", "-depth", "2", path("grey2.png"))
for name in list(pngs) + ["palette_trns.png", "rgb16.png", "interlaced.png", "grey2.png"]:
    reference(name, Image.open(path(name)))

# A PNG under a JPEG's name still opens as the PNG it is.
run("cp", path("rgb.png"), path("png_named.jpg"))
reference("png_named.jpg", base)

# --- WebP: cwebp and img2webp write, dwebp reads -------------------------------------------------
run("cwebp", "-quiet", "-q", "75", path("base.png"), "-o", path("lossy.webp"))
run("cwebp", "-quiet", "-lossless", path("base.png"), "-o", path("lossless.webp"))
run("cwebp", "-quiet", "-q", "75", path("base_alpha.png"), "-o", path("lossy_alpha.webp"))
run("cwebp", "-quiet", "-lossless", path("base_alpha.png"), "-o", path("lossless_alpha.webp"))
for name in ("lossy.webp", "lossless.webp", "lossy_alpha.webp", "lossless_alpha.webp"):
    run("dwebp", "-quiet", path(name), "-pam", "-o", path(name + ".pam"))
    reference(name, read_pam(name + ".pam"))
# The first frame of an animation (lossless, so it is the first picture given).
ImageOps.mirror(base).save(path("second.png"))
run("img2webp", "-lossless", path("base.png"), path("second.png"), "-o", path("animated.webp"))
reference("animated.webp", base)

# --- TIFF: PIL and tiffcp write; PIL, or tiff2rgba for CMYK, read -------------------------------
tiffs = {
    "rgb.tif": (base, None),
    "rgb_lzw.tif": (base, "tiff_lzw"),
    "rgb_deflate.tif": (base, "tiff_adobe_deflate"),
    "grey.tif": (base.convert("L"), None),
    "palette.tif": (base.convert("P", palette=Image.ADAPTIVE, colors=16), None),
    "rgba.tif": (base_alpha, None),
}
for name, (im, compression) in tiffs.items():
    im.save(path(name), compression=compression)
    reference(name, im.convert("RGBA"))
base.convert("CMYK").save(path("cmyk.tif"))
run("tiff2rgba", "-n", path("cmyk.tif"), path("cmyk_rgba.tif"))
reference("cmyk.tif", Image.open(path("cmyk_rgba.tif")))
run("tiffcp", "-c", "lzw", "-t", "-w", "16", "-l", "16", path("rgb.tif"), path("tiled.tif"))
reference("tiled.tif", base)
run("tiffcp", path("rgb_lzw.tif"), path("grey.tif"), path("two_pages.tif"))
reference("two_pages.tif", base)
run("/usr/bin/convert", path("base.png"), "-depth", "16", path("rgb16.tif"))
reference("rgb16.tif", Image.open(path("rgb16.png")))

# --- HEIC and AVIF: heif-enc writes, heif-convert reads ------------------------------------------
for name, args in (("photo.heic", []), ("photo.avif", ["-A"]), ("alpha.heic", [])):
    source = "base_alpha.png" if name.startswith("alpha") else "base.png"
    run("heif-enc", "-q", "90", *args, path(source), "-o", path(name))
    run("heif-convert", path(name), path(name + ".png"))
    reference(name, Image.open(path(name + ".png")))

# --- Orientation: exiftool writes each of the eight values, PIL turns the reference upright ------
base.save(path("unturned.jpg"), quality=95)
for n in range(1, 9):
    run("cp", path("unturned.jpg"), path(f"orientation{n}.jpg"))
    exiftool(f"-Orientation={n}", path(f"orientation{n}.jpg"))
run("cp", path("rgb.png"), path("orientation6.png"))
exiftool("-Orientation=6", path("orientation6.png"))
run("cp", path("rgb.tif"), path("orientation8.tif"))
run("tiffset", "-s", "274", "8", path("orientation8.tif"))
reference("orientation8.tif", base.transpose(Image.ROTATE_90))

# --- A phone photo with its metadata -------------------------------------------------------------
icc = ImageCms.ImageCmsProfile(ImageCms.createProfile("sRGB")).tobytes()
open(path("photo.icc"), "wb").write(icc)
photo = pattern(64, 48)
photo.save(path("photo.jpg"), quality=90, icc_profile=icc)
photo.resize((16, 12)).save(path("thumb.jpg"), quality=80)
exiftool("-Orientation=6", "-DateTimeOriginal=2024:05:17 09:41:07", "-Make=Drollo Test",
         "-Model=Phone 7", "-GPSLatitude=48.8584", "-GPSLatitudeRef=N", "-GPSLongitude=2.2945",
         "-GPSLongitudeRef=E", "-ThumbnailImage<=" + path("thumb.jpg"), path("photo.jpg"))

run_exiftool()
for name in [f"orientation{n}.jpg" for n in range(1, 9)] + ["orientation6.png", "photo.jpg"]:
    reference(name, ImageOps.exif_transpose(Image.open(path(name))))
# heif-enc keeps a JPEG's EXIF block, orientation included, and writes no rotation property.
run("heif-enc", "-q", "90", path("orientation6.jpg"), "-o", path("orientation6.heic"))
run("heif-convert", path("orientation6.heic"), path("orientation6.heic.png"))
reference("orientation6.heic", Image.open(path("orientation6.heic.png")).transpose(Image.ROTATE_270))

with open(path("manifest.txt"), "w") as f:
    f.write("\n".join(manifest) + "\n")
