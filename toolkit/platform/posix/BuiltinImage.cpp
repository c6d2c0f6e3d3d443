#include "platform/posix/BuiltinResources.h"
#include "platform/posix/ResourceImage.h"

namespace TNux::Posix {

const TResourceImage& BuiltinImage() {
    static const TResourceImage image = [] {
        TResourceImage parsed;
        TResourceImage::Parse(kBuiltinResourceImage, kBuiltinResourceImageSize, parsed);
        return parsed;
    }();
    return image;
}

}  // namespace TNux::Posix
