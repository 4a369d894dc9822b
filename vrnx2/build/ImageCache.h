#pragma once
// The user's cache of unpacked source images: one entry per image file, unpacked once and
// reused while the image is the same file with the same size and modification time.
// Nothing is ever written beside the image. An entry is made in a temporary folder and
// renamed into place only when complete, so a cut or cancelled unpack is never used.

#include <cstdint>
#include <functional>
#include <string>
#include <vector>

#include "vrnx2/build/SourceImage.h"

namespace vrnx2 {

struct ImageCacheSettings {
    std::string directory;    // empty: ImageCacheDirectory()
    uint64_t limitBytes = 0;  // 0: ImageCacheLimit()
    // Free bytes of the file system holding `folder`; empty: asked of the system.
    std::function<uint64_t(const std::string& folder)> freeBytes;
};

// $XDG_CACHE_HOME/vrnx2 (~/.cache/vrnx2 when unset).
std::string ImageCacheDirectory();
inline constexpr uint64_t kDefaultImageCacheMiB = 4096;
// VRNX2_IMAGE_CACHE_MB in MiB when set to a number above 0, else kDefaultImageCacheMiB.
uint64_t ImageCacheLimit();

struct CachedImage {
    std::string image;     // the image file it was unpacked from
    std::string folder;    // the image's files
    uint64_t bytes = 0;    // what they take
    int64_t lastUse = 0;   // seconds since the epoch
    bool current = false;  // the image is still there, unchanged
};

// Most recently used first.
std::vector<CachedImage> ListImageCache(const ImageCacheSettings& settings = {});
// Removes every entry and what interrupted unpacks left (not those still running).
bool ClearImageCache(const ImageCacheSettings& settings, std::string* error);
// The folder of `image`'s files when the cache holds them for the image as it is now.
std::string CachedImageFolder(const std::string& image, const ImageCacheSettings& settings = {});

enum class ImageRefusal { None, NotAnImage, Damaged, NoShell32, NoSpace };

// A source image looked at before anything is started.
struct ImageSource {
    std::string image;   // absolute
    std::string folder;  // where its files are, or will be once unpacked
    bool unpacked = false;
    ImageSummary summary;
    ImageRefusal refusal = ImageRefusal::None;
    std::string detail;  // why, for Damaged and NoSpace
    uint64_t freeBytes = 0;
};

// Reuses an unchanged entry, else reads the image's headers and checks the free space.
// `needShell32`: a build refuses an image without I386/SHELL32.DL_.
ImageSource CheckImageSource(const std::string& image, bool needShell32,
                             const ImageCacheSettings& settings = {});

// Unpacks a checked image that is not in the cache yet into `source.folder`, then keeps the
// cache within its limit; an image already unpacked is only marked as just used.
UnpackResult UnpackImageSource(ImageSource& source, const UnpackProgress& progress,
                               const ImageCacheSettings& settings, std::string* error);

}  // namespace vrnx2
