// Fuzz target of the metafile reader: any input either loads or is refused with
// EInvalidGraphic; whatever loaded plays onto an image and what it writes in either format
// reads back.
#include <cstddef>
#include <cstdint>
#include <string_view>

#include "FuzzSupport.h"
#include "platform/EInvalidGraphic.h"
#include "platform/MetafileReader.h"
#include "platform/TMetafile.h"

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* Data, std::size_t Size)
{
    fuzzing::Init();
    // A smaller bound than the program's keeps each run fast; the checks are the same.
    platform::meta::MaximumPicturePixels = std::int64_t(1) << 20;
    TMetafile m;
    try {
        m.LoadFromBytes(std::string_view(reinterpret_cast<const char*>(Data), Size));
    } catch (const EInvalidGraphic&) {
        return 0;
    }
    (void)m.ToImage();
    for (const bool enhanced : {true, false}) {
        const QByteArray bytes = m.Bytes(enhanced);
        TMetafile again;
        again.LoadFromBytes(std::string_view(bytes.constData(), std::size_t(bytes.size())));
    }
    return 0;
}
