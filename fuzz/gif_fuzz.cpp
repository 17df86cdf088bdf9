// Fuzz target of the GIF reader: any input either loads or fails with a GIF error;
// whatever loaded can be written and read back.
#include <cstddef>
#include <cstdint>

#include "chart/storage/TGIFImage.h"

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* Data, std::size_t Size)
{
    // Smaller bounds than the program's keep each run fast; the checks are the same.
    static const bool limited = [] {
        GIFMaximumFramePixels = std::int64_t(1) << 22;
        GIFMaximumImagePixels = std::int64_t(1) << 24;
        return true;
    }();
    (void)limited;

    TMemoryStream in(Data, Size);
    TGIFImage gif;
    try {
        gif.LoadFromStream(&in);
        (void)gif.ToImage();
    } catch (const GIFException&) {
        return 0;
    }
    TMemoryStream out;
    try {
        gif.SaveToStream(&out);
    } catch (const GIFException&) {
        // No frames, or pixel values beyond a damaged colour table.
        return 0;
    }
    out.SetPosition(0);
    TGIFImage again;
    again.LoadFromStream(&out);  // what we wrote must read back without an error
    return 0;
}
