// vrnx2-cli cache: the source images unpacked in the user's cache, listed or removed.

#include <cstdio>
#include <ctime>

#include "vrnx2/build/ImageCache.h"
#include "vrnx2/cli/Commands.h"

namespace vrnx2 {

namespace {

int Usage(bool help) {
    std::fprintf(help ? stdout : stderr,
                 "usage: vrnx2-cli cache list|clear\n"
                 "  list    one line per unpacked image: size in MB, last use, state, image file\n"
                 "  clear   remove every unpacked image\n"
                 "The cache is %s (at most %llu MB, VRNX2_IMAGE_CACHE_MB).\n",
                 ImageCacheDirectory().c_str(),
                 static_cast<unsigned long long>(ImageCacheLimit() >> 20));
    return help ? 0 : 2;
}

std::string LocalTime(int64_t seconds) {
    const std::time_t t = static_cast<std::time_t>(seconds);
    std::tm tm{};
    char text[32] = "";
    if (localtime_r(&t, &tm)) std::strftime(text, sizeof text, "%Y-%m-%d %H:%M", &tm);
    return text;
}

}  // namespace

int CacheCommand(const Args& args) {
    if (args.size() != 1) return Usage(false);
    if (args[0] == "--help" || args[0] == "-h") return Usage(true);
    if (args[0] == "list") {
        for (const CachedImage& c : ListImageCache())
            std::printf("%llu\t%s\t%s\t%s\n",
                        static_cast<unsigned long long>((c.bytes + (1 << 20) - 1) >> 20),
                        LocalTime(c.lastUse).c_str(), c.current ? "current" : "stale",
                        c.image.c_str());
        return 0;
    }
    if (args[0] == "clear") {
        std::string error;
        if (!ClearImageCache({}, &error)) {
            std::fprintf(stderr, "vrnx2-cli cache: %s\n", error.c_str());
            return 1;
        }
        return 0;
    }
    return Usage(false);
}

}  // namespace vrnx2
