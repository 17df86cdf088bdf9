// Fuzz target of the JPEG picture reader: any bytes either load and decode or are refused
// with a picture error.
#include "FuzzSupport.h"
#include "chart/storage/TJPEGImage.h"

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* Data, std::size_t Size)
{
    fuzzing::Init();
    // A smaller bound than the program's keeps each run fast; the checks are the same.
    JPEGMaximumPixels = std::int64_t(1) << 22;
    TMemoryStream in(Data, Size);
    TJPEGImage jpeg;
    try {
        jpeg.LoadFromStream(&in);
        (void)jpeg.ToImage();
    } catch (const EInvalidGraphic&) {}
    return 0;
}
