// Fuzz target of the decoding of device replies: any bytes, handed over as the replies a
// poll thread would pass on (split at carriage returns), are decoded or refused without an
// exception.
#include "FuzzSupport.h"
#include "support/FakeChannelServices.h"
#include "support/TestChannel.h"

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* Data, std::size_t Size)
{
    fuzzing::Init();
    testfakes::ServicesScope scope;
    scope.Window(1);
    testfakes::TestChannel channel(1);
    const std::string_view bytes = fuzzing::Bytes(Data, Size);
    size_t start = 0;
    while (start < bytes.size()) {
        size_t end = bytes.find('\r', start);
        end = end == std::string_view::npos ? bytes.size() : end + 1;
        channel.OnReply(nullptr, AnsiString(bytes.substr(start, end - start)), 1);
        start = end;
    }
    return 0;
}
