#include "comm/ByteLink.h"

namespace comm {

namespace {
std::shared_ptr<IByteLink> NoSerialSupport(const TSerialLinkSettings&, AnsiString& error) {
    error = "No serial port support in this build.";
    return nullptr;
}
}  // namespace

SerialLinkFactory& SerialLinks() {
    static SerialLinkFactory factory = NoSerialSupport;
    return factory;
}

void SetSerialLinkFactory(SerialLinkFactory factory) { SerialLinks() = factory ? std::move(factory) : NoSerialSupport; }

}  // namespace comm
